#include <gtest/gtest.h>

#include <string>

#include "base/Json.h"

namespace rf::test {
namespace {

TEST(JsonTest, WrittenTextKeepsOrderTakesUtf16AsTextAndNeverFailsOnBadBytes) {
    CJson json = CJson::object();
    json["z"] = std::u16string(u"\u00e9\u65e5");
    json["a"] = "tab\there \x01 \"q\"";
    json["bad"] = std::string("\xFF");
    EXPECT_EQ(JsonText(json),
              "{\"z\":\"\xC3\xA9\xE6\x97\xA5\",\"a\":\"tab\\there \\u0001 \\\"q\\\"\","
              "\"bad\":\"\xEF\xBF\xBD\"}");
}

TEST(JsonTest, DamagedOrHostileTextIsAMessageNeverACrash) {
    const struct {
        std::string strText;
        const char* pszExpected;
    } cases[] = {
        {"", "parse error at line 1, column 1"},
        {"{\"a\":1", "parse error at line 1, column 7"},
        {"{\"a\":1} x", "parse error at line 1, column 9"},
        {"\"\\ud800\"", "surrogate"},
        {"\"\xC3\"", "UTF-8"},
        {std::string(100000, '['), "parse error"},
        {std::string(40, '[') + std::string(40, ']'), "nested deeper than 32 levels"},
    };
    for (const auto& c : cases) {
        std::string strError;
        EXPECT_FALSE(ParseJson(c.strText, strError)) << c.strText.substr(0, 20);
        EXPECT_NE(strError.find(c.pszExpected), std::string::npos) << strError;
    }
    std::string strError;
    EXPECT_TRUE(ParseJson(std::string(30, '[') + std::string(30, ']'), strError)) << strError;
}

TEST(JsonTest, FieldsAreCheckedForKindAndRangeAndTheFirstFaultIsKept) {
    std::string strError;
    const auto json = ParseJson(
        R"({"n": 7, "neg": -1, "big": 18446744073709551615, "f": 1.0, "s": "x", "b": true})",
        strError);
    ASSERT_TRUE(json) << strError;
    CJsonFields field("unit.json");
    EXPECT_EQ(field.Integer(*json, "n", 0, 7), 7);
    EXPECT_EQ(field.Integer(*json, "neg", -1, 0), -1);
    EXPECT_EQ(field.String(*json, "s"), "x");
    EXPECT_TRUE(field.Bool(*json, "b"));
    EXPECT_FALSE(field.Failed());
    // Past 64 bits, a fraction, out of range, of another kind, missing.
    for (const char* pszName : {"big", "f"}) {
        CJsonFields one("unit.json");
        one.Integer(*json, pszName, 0, 0x7FFFFFFF);
        EXPECT_TRUE(one.Failed()) << pszName;
    }
    field.Integer(*json, "n", 0, 6);
    field.String(*json, "b");
    field.Object(*json, "missing");
    EXPECT_EQ(field.Error(), "unit.json: \"n\" is missing or not a number from 0 to 6");
}

}  // namespace
}  // namespace rf::test
