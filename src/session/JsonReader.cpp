#include "session/JsonReader.h"

#include <charconv>

namespace rf {

const CJsonValue* CJsonValue::Member(std::string_view name) const {
    const auto it = m_members.find(name);
    return m_kind == Kind::Object && it != m_members.end() ? &it->second : nullptr;
}

std::optional<bool> CJsonValue::AsBool() const {
    return m_kind == Kind::Bool ? std::optional<bool>(m_bBool) : std::nullopt;
}

std::optional<std::int64_t> CJsonValue::AsInteger() const {
    return m_kind == Kind::Number && m_bWhole ? std::optional<std::int64_t>(m_nInteger)
                                              : std::nullopt;
}

std::optional<std::string> CJsonValue::AsString() const {
    return m_kind == Kind::String ? std::optional<std::string>(m_strText) : std::nullopt;
}

std::optional<std::int64_t> CJsonValue::IntegerAt(std::string_view name) const {
    const CJsonValue* pValue = Member(name);
    return pValue != nullptr ? pValue->AsInteger() : std::nullopt;
}

std::optional<std::string> CJsonValue::StringAt(std::string_view name) const {
    const CJsonValue* pValue = Member(name);
    return pValue != nullptr ? pValue->AsString() : std::nullopt;
}

std::optional<bool> CJsonValue::BoolAt(std::string_view name) const {
    const CJsonValue* pValue = Member(name);
    return pValue != nullptr ? pValue->AsBool() : std::nullopt;
}

class CJsonParser {
public:
    explicit CJsonParser(std::string_view text) : m_text(text) {}

    std::optional<CJsonValue> Document(std::string& strError) {
        CJsonValue value;
        SkipSpace();
        if (!Value(value, 0)) {
            strError = Fault();
            return std::nullopt;
        }
        SkipSpace();
        if (m_nAt != m_text.size()) {
            m_strWhat = "text after the end of the value";
            strError = Fault();
            return std::nullopt;
        }
        return value;
    }

private:
    // Deeper than any file of ours nests.
    static constexpr int kMaxDepth = 32;

    std::string Fault() const { return m_strWhat + " at byte " + std::to_string(m_nAt); }
    bool Fail(const char* pszWhat) {
        m_strWhat = pszWhat;
        return false;
    }
    void SkipSpace() {
        while (m_nAt < m_text.size() && (m_text[m_nAt] == ' ' || m_text[m_nAt] == '\t' ||
                                         m_text[m_nAt] == '\n' || m_text[m_nAt] == '\r')) {
            ++m_nAt;
        }
    }
    bool Literal(std::string_view word) {
        if (m_text.substr(m_nAt, word.size()) != word) {
            return Fail("unexpected character");
        }
        m_nAt += word.size();
        return true;
    }

    bool Value(CJsonValue& value, int nDepth) {
        if (nDepth > kMaxDepth) {
            return Fail("nested too deeply");
        }
        if (m_nAt >= m_text.size()) {
            return Fail("unexpected end");
        }
        switch (m_text[m_nAt]) {
            case '{':
                return Object(value, nDepth);
            case '[':
                return Array(value, nDepth);
            case '"':
                value.m_kind = CJsonValue::Kind::String;
                return String(value.m_strText);
            case 't':
                value.m_kind = CJsonValue::Kind::Bool;
                value.m_bBool = true;
                return Literal("true");
            case 'f':
                value.m_kind = CJsonValue::Kind::Bool;
                return Literal("false");
            case 'n':
                return Literal("null");
            default:
                return Number(value);
        }
    }

    bool Object(CJsonValue& value, int nDepth) {
        value.m_kind = CJsonValue::Kind::Object;
        ++m_nAt;
        SkipSpace();
        if (m_nAt < m_text.size() && m_text[m_nAt] == '}') {
            ++m_nAt;
            return true;
        }
        for (;;) {
            SkipSpace();
            std::string strName;
            if (m_nAt >= m_text.size() || m_text[m_nAt] != '"') {
                return Fail("expected a member name");
            }
            if (!String(strName)) {
                return false;
            }
            SkipSpace();
            if (m_nAt >= m_text.size() || m_text[m_nAt] != ':') {
                return Fail("expected ':'");
            }
            ++m_nAt;
            SkipSpace();
            CJsonValue member;
            if (!Value(member, nDepth + 1)) {
                return false;
            }
            value.m_members.insert_or_assign(std::move(strName), std::move(member));
            SkipSpace();
            if (m_nAt < m_text.size() && m_text[m_nAt] == ',') {
                ++m_nAt;
                continue;
            }
            if (m_nAt < m_text.size() && m_text[m_nAt] == '}') {
                ++m_nAt;
                return true;
            }
            return Fail("expected ',' or '}'");
        }
    }

    bool Array(CJsonValue& value, int nDepth) {
        value.m_kind = CJsonValue::Kind::Array;
        ++m_nAt;
        SkipSpace();
        if (m_nAt < m_text.size() && m_text[m_nAt] == ']') {
            ++m_nAt;
            return true;
        }
        for (;;) {
            SkipSpace();
            CJsonValue element;
            if (!Value(element, nDepth + 1)) {
                return false;
            }
            value.m_elements.push_back(std::move(element));
            SkipSpace();
            if (m_nAt < m_text.size() && m_text[m_nAt] == ',') {
                ++m_nAt;
                continue;
            }
            if (m_nAt < m_text.size() && m_text[m_nAt] == ']') {
                ++m_nAt;
                return true;
            }
            return Fail("expected ',' or ']'");
        }
    }

    static void AppendUtf8(std::string& out, std::uint32_t nCode) {
        if (nCode < 0x80) {
            out += static_cast<char>(nCode);
        } else if (nCode < 0x800) {
            out += static_cast<char>(0xC0 | nCode >> 6);
            out += static_cast<char>(0x80 | (nCode & 0x3F));
        } else if (nCode < 0x10000) {
            out += static_cast<char>(0xE0 | nCode >> 12);
            out += static_cast<char>(0x80 | (nCode >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (nCode & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | nCode >> 18);
            out += static_cast<char>(0x80 | (nCode >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (nCode >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (nCode & 0x3F));
        }
    }

    bool Hex4(std::uint32_t& nCode) {
        if (m_text.size() - m_nAt < 4) {
            return Fail("unexpected end");
        }
        const char* pFirst = m_text.data() + m_nAt;
        const auto [pEnd, error] = std::from_chars(pFirst, pFirst + 4, nCode, 16);
        if (error != std::errc() || pEnd != pFirst + 4) {
            return Fail("bad \\u escape");
        }
        m_nAt += 4;
        return true;
    }

    bool String(std::string& out) {
        ++m_nAt;  // the opening quote
        while (m_nAt < m_text.size()) {
            const char c = m_text[m_nAt++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return Fail("control character in a string");
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_nAt >= m_text.size()) {
                break;
            }
            const char escape = m_text[m_nAt++];
            switch (escape) {
                case '"':
                case '\\':
                case '/':
                    out += escape;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    std::uint32_t nCode = 0;
                    if (!Hex4(nCode)) {
                        return false;
                    }
                    // A high surrogate takes its low one with it.
                    if (nCode >= 0xD800 && nCode < 0xDC00 && m_text.substr(m_nAt, 2) == "\\u") {
                        m_nAt += 2;
                        std::uint32_t nLow = 0;
                        if (!Hex4(nLow) || nLow < 0xDC00 || nLow >= 0xE000) {
                            return Fail("bad surrogate pair");
                        }
                        nCode = 0x10000 + ((nCode - 0xD800) << 10) + (nLow - 0xDC00);
                    } else if (nCode >= 0xD800 && nCode < 0xE000) {
                        return Fail("bad surrogate pair");
                    }
                    AppendUtf8(out, nCode);
                    break;
                }
                default:
                    return Fail("bad escape");
            }
        }
        return Fail("unterminated string");
    }

    bool Number(CJsonValue& value) {
        const std::size_t nStart = m_nAt;
        if (m_nAt < m_text.size() && m_text[m_nAt] == '-') {
            ++m_nAt;
        }
        bool bWhole = true;
        bool bDigits = false;
        while (m_nAt < m_text.size()) {
            const char c = m_text[m_nAt];
            if (c >= '0' && c <= '9') {
                bDigits = true;
            } else if (c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-') {
                bWhole = false;
            } else {
                break;
            }
            ++m_nAt;
        }
        if (!bDigits) {
            m_nAt = nStart;
            return Fail("unexpected character");
        }
        value.m_kind = CJsonValue::Kind::Number;
        if (bWhole) {
            const auto [pEnd, error] =
                std::from_chars(m_text.data() + nStart, m_text.data() + m_nAt, value.m_nInteger);
            value.m_bWhole = error == std::errc() && pEnd == m_text.data() + m_nAt;
        }
        return true;
    }

    std::string_view m_text;
    std::size_t m_nAt = 0;
    std::string m_strWhat;
};

std::optional<CJsonValue> ParseJson(std::string_view text, std::string& strError) {
    return CJsonParser(text).Document(strError);
}

}  // namespace rf
