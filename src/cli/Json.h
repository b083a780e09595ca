#pragma once

// A small writer of JSON for --json: objects, arrays, strings, numbers and
// booleans, with strings escaped as the format requires.

#include <string>
#include <string_view>
#include <vector>

namespace rf {

class CJsonWriter {
public:
    CJsonWriter& BeginObject();
    CJsonWriter& EndObject();
    CJsonWriter& BeginArray();
    CJsonWriter& EndArray();
    // Inside an object: the next value's name.
    CJsonWriter& Key(std::string_view name);
    CJsonWriter& String(std::string_view utf8);
    CJsonWriter& String(std::u16string_view text);
    CJsonWriter& Number(long long nValue);
    CJsonWriter& Bool(bool bValue);
    CJsonWriter& Null();

    const std::string& Text() const { return m_text; }

private:
    void BeforeValue();

    std::string m_text;
    // Per open container: whether a value was written in it yet.
    std::vector<bool> m_hasValue;
    bool m_bAfterKey = false;
};

std::string JsonEscape(std::string_view utf8);

}  // namespace rf
