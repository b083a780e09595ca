#include "package/XmlTree.h"

#include <cctype>

#include "base/Text.h"

namespace rf {

namespace {

// Deeper documents are refused: a metainfo file is four levels deep.
constexpr int kMaxDepth = 32;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' || c == '.' ||
           c == ':';
}

std::string Trim(std::string_view text) {
    std::size_t nStart = 0;
    std::size_t nEnd = text.size();
    while (nStart < nEnd && IsSpace(text[nStart])) {
        ++nStart;
    }
    while (nEnd > nStart && IsSpace(text[nEnd - 1])) {
        --nEnd;
    }
    return std::string(text.substr(nStart, nEnd - nStart));
}

class CParser {
public:
    explicit CParser(std::string_view text) : m_text(text) {}

    std::unique_ptr<XmlElement> Document() {
        // Editors on Windows begin UTF-8 files with a byte order mark.
        if (StartsWith("\xEF\xBB\xBF")) {
            m_nAt += 3;
        }
        if (!SkipMisc()) {
            return nullptr;
        }
        auto root = Element(0);
        if (root == nullptr || !SkipMisc() || m_nAt != m_text.size()) {
            return nullptr;
        }
        return root;
    }

private:
    bool StartsWith(std::string_view prefix) const {
        return m_text.substr(m_nAt).starts_with(prefix);
    }

    bool SkipPast(std::string_view end) {
        const std::size_t nEnd = m_text.find(end, m_nAt);
        if (nEnd == std::string_view::npos) {
            return false;
        }
        m_nAt = nEnd + end.size();
        return true;
    }

    void SkipSpace() {
        while (m_nAt < m_text.size() && IsSpace(m_text[m_nAt])) {
            ++m_nAt;
        }
    }

    // Space, comments and processing instructions between elements.
    bool SkipMisc() {
        for (;;) {
            SkipSpace();
            if (StartsWith("<?")) {
                if (!SkipPast("?>")) {
                    return false;
                }
            } else if (StartsWith("<!--")) {
                if (!SkipPast("-->")) {
                    return false;
                }
            } else {
                return true;
            }
        }
    }

    std::optional<std::string> Name() {
        const std::size_t nStart = m_nAt;
        while (m_nAt < m_text.size() && IsNameChar(m_text[m_nAt])) {
            ++m_nAt;
        }
        if (m_nAt == nStart) {
            return std::nullopt;
        }
        return std::string(m_text.substr(nStart, m_nAt - nStart));
    }

    // The code point of a character reference's digits ("233", "xE9"),
    // when it is one XML allows in a document.
    static std::optional<char32_t> CharacterReference(std::string_view digits) {
        const bool bHex = digits.starts_with('x');
        if (bHex) {
            digits.remove_prefix(1);
        }
        if (digits.empty()) {
            return std::nullopt;
        }
        char32_t c = 0;
        for (const char d : digits) {
            int nDigit = -1;
            if (d >= '0' && d <= '9') {
                nDigit = d - '0';
            } else if (bHex && d >= 'a' && d <= 'f') {
                nDigit = d - 'a' + 10;
            } else if (bHex && d >= 'A' && d <= 'F') {
                nDigit = d - 'A' + 10;
            }
            if (nDigit < 0) {
                return std::nullopt;
            }
            c = c * (bHex ? 16 : 10) + static_cast<char32_t>(nDigit);
            if (c > 0x10FFFF) {
                return std::nullopt;  // also stops the value from overflowing
            }
        }
        const bool bAllowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                              (c >= 0xE000 && c <= 0xFFFD) || c >= 0x10000;
        return bAllowed ? std::optional<char32_t>(c) : std::nullopt;
    }

    static std::optional<std::string> Unescape(std::string_view text) {
        static constexpr std::pair<std::string_view, char> kEntities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        std::string out;
        for (std::size_t i = 0; i < text.size();) {
            if (text[i] != '&') {
                out.push_back(text[i++]);
                continue;
            }
            if (text.substr(i).starts_with("&#")) {
                const std::size_t nEnd = text.find(';', i);
                const auto c = nEnd == std::string_view::npos
                                   ? std::nullopt
                                   : CharacterReference(text.substr(i + 2, nEnd - i - 2));
                if (!c) {
                    return std::nullopt;
                }
                AppendUtf8(out, *c);
                i = nEnd + 1;
                continue;
            }
            bool bKnown = false;
            for (const auto& [entity, c] : kEntities) {
                if (text.substr(i).starts_with(entity)) {
                    out.push_back(c);
                    i += entity.size();
                    bKnown = true;
                    break;
                }
            }
            if (!bKnown) {
                return std::nullopt;
            }
        }
        return out;
    }

    std::unique_ptr<XmlElement> Element(int nDepth) {
        if (nDepth > kMaxDepth || !StartsWith("<")) {
            return nullptr;
        }
        ++m_nAt;
        auto element = std::make_unique<XmlElement>();
        const auto name = Name();
        if (!name) {
            return nullptr;
        }
        element->strName = *name;
        for (;;) {
            SkipSpace();
            if (StartsWith("/>")) {
                m_nAt += 2;
                return element;
            }
            if (StartsWith(">")) {
                ++m_nAt;
                break;
            }
            const auto attribute = Name();
            SkipSpace();
            if (!attribute || !StartsWith("=")) {
                return nullptr;
            }
            ++m_nAt;
            SkipSpace();
            if (m_nAt >= m_text.size() || (m_text[m_nAt] != '"' && m_text[m_nAt] != '\'')) {
                return nullptr;
            }
            const char quote = m_text[m_nAt++];
            const std::size_t nEnd = m_text.find(quote, m_nAt);
            if (nEnd == std::string_view::npos) {
                return nullptr;
            }
            const auto value = Unescape(m_text.substr(m_nAt, nEnd - m_nAt));
            if (!value) {
                return nullptr;
            }
            element->attributes.emplace_back(*attribute, *value);
            m_nAt = nEnd + 1;
        }
        std::string text;
        for (;;) {
            const std::size_t nTag = m_text.find('<', m_nAt);
            if (nTag == std::string_view::npos) {
                return nullptr;
            }
            const auto piece = Unescape(m_text.substr(m_nAt, nTag - m_nAt));
            if (!piece) {
                return nullptr;
            }
            text += *piece;
            m_nAt = nTag;
            if (StartsWith("</")) {
                m_nAt += 2;
                const auto closing = Name();
                SkipSpace();
                if (!closing || *closing != element->strName || !StartsWith(">")) {
                    return nullptr;
                }
                ++m_nAt;
                element->strText = Trim(text);
                return element;
            }
            if (StartsWith("<!--")) {
                if (!SkipPast("-->")) {
                    return nullptr;
                }
                continue;
            }
            if (StartsWith("<!") || StartsWith("<?")) {
                return nullptr;
            }
            auto child = Element(nDepth + 1);
            if (child == nullptr) {
                return nullptr;
            }
            element->children.push_back(std::move(child));
        }
    }

    std::string_view m_text;
    std::size_t m_nAt = 0;
};

}  // namespace

const std::string* XmlElement::Attribute(std::string_view name) const {
    for (const auto& [key, value] : attributes) {
        if (key == name) {
            return &value;
        }
    }
    return nullptr;
}

const XmlElement* XmlElement::Child(std::string_view name) const {
    for (const auto& child : children) {
        if (child->strName == name) {
            return child.get();
        }
    }
    return nullptr;
}

std::vector<const XmlElement*> XmlElement::Children(std::string_view name) const {
    std::vector<const XmlElement*> list;
    for (const auto& child : children) {
        if (child->strName == name) {
            list.push_back(child.get());
        }
    }
    return list;
}

std::unique_ptr<XmlElement> ParseXml(std::string_view text) {
    return CParser(text).Document();
}

std::string XmlEscape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out.push_back(c);
                break;
        }
    }
    return out;
}

}  // namespace rf
