#pragma once

// A small reader of JSON text into a tree: enough for the files this
// program writes itself and reads back (a backup's manifest, a twin's
// record of where it came from). Text from disk may have been edited or
// damaged, so every fault is a result with a message, never a crash, and
// nesting is bounded so that a hostile file cannot exhaust the stack.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rf {

class CJsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Kind GetKind() const { return m_kind; }
    bool IsNull() const { return m_kind == Kind::Null; }

    // The member of an object, or null when there is none (or this is no object).
    const CJsonValue* Member(std::string_view name) const;
    // The elements of an array; empty for anything else.
    const std::vector<CJsonValue>& Elements() const { return m_elements; }

    // The value when it has that kind; nullopt otherwise. Numbers must be
    // whole and fit in 64 bits.
    std::optional<bool> AsBool() const;
    std::optional<std::int64_t> AsInteger() const;
    std::optional<std::string> AsString() const;  // UTF-8

    // Lookups of a member of a kind, for the common case.
    std::optional<std::int64_t> IntegerAt(std::string_view name) const;
    std::optional<std::string> StringAt(std::string_view name) const;
    std::optional<bool> BoolAt(std::string_view name) const;

private:
    friend class CJsonParser;
    Kind m_kind = Kind::Null;
    bool m_bBool = false;
    bool m_bWhole = false;  // a number without fraction or exponent, in range
    std::int64_t m_nInteger = 0;
    std::string m_strText;
    std::vector<CJsonValue> m_elements;
    std::map<std::string, CJsonValue, std::less<>> m_members;
};

// Parses a whole text; nullopt with a message (naming the byte offset) when
// it is not one JSON value.
std::optional<CJsonValue> ParseJson(std::string_view text, std::string& strError);

}  // namespace rf
