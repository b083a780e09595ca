#include "cli/Json.h"

#include <cstdio>

#include "base/Text.h"

namespace rf {

std::string JsonEscape(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

void CJsonWriter::BeforeValue() {
    if (m_bAfterKey) {
        m_bAfterKey = false;
        return;
    }
    if (!m_hasValue.empty()) {
        if (m_hasValue.back()) {
            m_text += ',';
        }
        m_hasValue.back() = true;
    }
}

CJsonWriter& CJsonWriter::BeginObject() {
    BeforeValue();
    m_text += '{';
    m_hasValue.push_back(false);
    return *this;
}

CJsonWriter& CJsonWriter::EndObject() {
    m_text += '}';
    m_hasValue.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::BeginArray() {
    BeforeValue();
    m_text += '[';
    m_hasValue.push_back(false);
    return *this;
}

CJsonWriter& CJsonWriter::EndArray() {
    m_text += ']';
    m_hasValue.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::Key(std::string_view name) {
    BeforeValue();
    m_text += JsonEscape(name);
    m_text += ':';
    m_bAfterKey = true;
    return *this;
}

CJsonWriter& CJsonWriter::String(std::string_view utf8) {
    BeforeValue();
    m_text += JsonEscape(utf8);
    return *this;
}

CJsonWriter& CJsonWriter::String(std::u16string_view text) {
    return String(Utf16ToUtf8(text));
}

CJsonWriter& CJsonWriter::Number(long long nValue) {
    BeforeValue();
    m_text += std::to_string(nValue);
    return *this;
}

CJsonWriter& CJsonWriter::Bool(bool bValue) {
    BeforeValue();
    m_text += bValue ? "true" : "false";
    return *this;
}

CJsonWriter& CJsonWriter::Null() {
    BeforeValue();
    m_text += "null";
    return *this;
}

}  // namespace rf
