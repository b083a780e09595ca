#include "package/XmlTree.h"

#include <cctype>

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

    static std::optional<std::string> Unescape(std::string_view text) {
        static constexpr std::pair<std::string_view, char> kEntities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        std::string out;
        for (std::size_t i = 0; i < text.size();) {
            if (text[i] != '&') {
                out.push_back(text[i++]);
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
