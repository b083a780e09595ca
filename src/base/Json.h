#pragma once

// JSON in and out, through nlohmann-json. What --json prints is read by
// scripts, so members keep the order they were added in (ordered_json) and
// the text is one compact line. What is read (a backup's manifest, a
// worker's result line) may be damaged or hostile: it is parsed without an
// exception escaping, nested no deeper than our own files nest, and read
// member by member with the first fault named.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "base/Text.h"

// Texts are UTF-16 inside the program. Without this a std::u16string would
// be taken for an array of numbers; with it, it becomes a UTF-8 string.
template <>
struct nlohmann::adl_serializer<std::u16string> {
    template <typename BasicJson>
    static void to_json(BasicJson& json, const std::u16string& text) {
        json = rf::Utf16ToUtf8(text);
    }
};

namespace rf {

using CJson = nlohmann::ordered_json;

// The value as one line without spaces; bytes that are not UTF-8 are
// replaced, never a reason to fail.
std::string JsonText(const CJson& value);

// A whole text as one JSON value; nullopt with a message (where and what)
// when it is not one, or when it nests deeper than kMaxJsonDepth.
inline constexpr int kMaxJsonDepth = 32;
std::optional<CJson> ParseJson(std::string_view text, std::string& strError);

// Reads the members of a parsed value one by one, keeping the first that is
// missing or wrong; after a fault every read gives a harmless default, so a
// reader goes on without checking each step and asks Failed() at the end.
class CJsonFields {
public:
    // strWhere begins every message: the file, or what the text is.
    explicit CJsonFields(std::string strWhere) : m_strWhere(std::move(strWhere)) {}

    bool Failed() const { return !m_strError.empty(); }
    const std::string& Error() const { return m_strError; }
    void Fail(const std::string& strWhat);

    // The member, or null when there is none (or parent is no object).
    static const CJson* Member(const CJson& parent, std::string_view name);

    const CJson& Object(const CJson& parent, std::string_view name);
    std::string String(const CJson& parent, std::string_view name);
    // A whole number from nMin to nMax; a fraction is no whole number.
    std::int64_t Integer(const CJson& parent, std::string_view name, std::int64_t nMin,
                         std::int64_t nMax);
    bool Bool(const CJson& parent, std::string_view name);

private:
    std::string m_strWhere;
    std::string m_strError;
    CJson m_empty = CJson::object();
};

}  // namespace rf
