#include "base/Text.h"

#include <cstdio>

namespace rf {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
                ++i;
            } else {
                c = kReplacement;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        int nMore = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if (b0 < 0x80) {
            c = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            nMore = 1;
            c = b0 & 0x1Fu;
            minimum = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            nMore = 2;
            c = b0 & 0x0Fu;
            minimum = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            nMore = 3;
            c = b0 & 0x07u;
            minimum = 0x10000;
        } else {
            out.push_back(static_cast<char16_t>(kReplacement));
            ++i;
            continue;
        }
        std::size_t j = 1;
        bool bValid = true;
        for (; j <= static_cast<std::size_t>(nMore); ++j) {
            if (i + j >= text.size()) {
                bValid = false;
                break;
            }
            const auto b = static_cast<unsigned char>(text[i + j]);
            if ((b & 0xC0) != 0x80) {
                bValid = false;
                break;
            }
            c = (c << 6) | (b & 0x3Fu);
        }
        if (!bValid || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(static_cast<char16_t>(kReplacement));
            i += bValid ? j : std::max<std::size_t>(j, 1);
            continue;
        }
        AppendUtf16(out, c);
        i += j;
    }
    return out;
}

std::u16string WidenBytes(const BYTE* pData, std::size_t nLength) {
    std::u16string out;
    out.reserve(nLength);
    for (std::size_t i = 0; i < nLength; ++i) {
        out.push_back(static_cast<char16_t>(pData[i]));
    }
    return out;
}

std::u16string Widen(std::string_view ascii) {
    return WidenBytes(reinterpret_cast<const BYTE*>(ascii.data()), ascii.size());
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::u16string Trim(std::u16string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsSpace(text[first])) {
        ++first;
    }
    while (last > first && IsSpace(text[last - 1])) {
        --last;
    }
    return std::u16string(text.substr(first, last - first));
}

std::string HexText(unsigned long long value, int nDigits) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*llX", nDigits, value);
    return buffer;
}

std::u16string Hex(unsigned long long value, int nDigits) {
    return Widen(HexText(value, nDigits));
}

void AppendHexBytes(std::string& text, std::span<const BYTE> bytes, HexCase letters) {
    const char* pszDigits = letters == HexCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
    for (const BYTE b : bytes) {
        text.push_back(pszDigits[b >> 4]);
        text.push_back(pszDigits[b & 0x0F]);
    }
}

std::string HexBytes(std::span<const BYTE> bytes, HexCase letters) {
    std::string text;
    text.reserve(bytes.size() * 2);
    AppendHexBytes(text, bytes, letters);
    return text;
}

bool ParseHexBytes(std::string_view hex, BYTE* pBytes, std::size_t nBytes) {
    if (hex.size() != nBytes * 2) {
        return false;
    }
    for (std::size_t i = 0; i < nBytes; ++i) {
        unsigned nByte = 0;
        for (std::size_t j = 0; j < 2; ++j) {
            const char c = hex[i * 2 + j];
            const int nDigit = c >= '0' && c <= '9'   ? c - '0'
                               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                      : -1;
            if (nDigit < 0) {
                return false;
            }
            nByte = nByte << 4 | static_cast<unsigned>(nDigit);
        }
        pBytes[i] = static_cast<BYTE>(nByte);
    }
    return true;
}

}  // namespace rf

namespace rf {

std::u16string FillPlaceholders(std::u16string_view text,
                                std::initializer_list<std::u16string_view> values) {
    std::u16string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t nIndex =
            i + 1 < text.size() && text[i] == u'%' && text[i + 1] >= u'1' && text[i + 1] <= u'9'
                ? static_cast<std::size_t>(text[i + 1] - u'1')
                : values.size();
        if (nIndex < values.size()) {
            result += *(values.begin() + nIndex);
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace rf
