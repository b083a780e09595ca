#include <gtest/gtest.h>

#include <string>

#include "session/JsonReader.h"

namespace rf::test {
namespace {

TEST(JsonReaderTest, ReadsWhatTheWriterWritesWithEscapesAndNumbers) {
    std::string strError;
    const auto value = ParseJson(
        R"( {"a": [1, -2, 1.5, 99999999999999999999], "s": "q\"\\\/\n\u00e9\ud83d\ude00", "t": true, "n": null} )",
        strError);
    ASSERT_TRUE(value) << strError;
    const auto& numbers = value->Member("a")->Elements();
    ASSERT_EQ(numbers.size(), 4u);
    EXPECT_EQ(numbers[0].AsInteger(), 1);
    EXPECT_EQ(numbers[1].AsInteger(), -2);
    // Neither a fraction nor a number past 64 bits passes for a whole one.
    EXPECT_FALSE(numbers[2].AsInteger());
    EXPECT_FALSE(numbers[3].AsInteger());
    EXPECT_EQ(value->StringAt("s"), "q\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(value->BoolAt("t"), true);
    EXPECT_TRUE(value->Member("n")->IsNull());
    EXPECT_FALSE(value->StringAt("t")) << "a member of another kind is none";
    EXPECT_EQ(value->Member("missing"), nullptr);
}

TEST(JsonReaderTest, DamagedTextIsAMessageNeverACrash) {
    const struct {
        std::string strText;
        const char* pszExpected;
    } cases[] = {
        {"", "unexpected end at byte 0"},
        {"{\"a\":1", "expected ',' or '}' at byte 6"},
        {"[1,]", "unexpected character at byte 3"},
        {"{\"a\":1} x", "text after the end of the value at byte 8"},
        {"\"\\ud800\"", "bad surrogate pair"},
        {"\"a\nb\"", "control character in a string"},
        {"\"abc", "unterminated string"},
        {std::string(100000, '['), "nested too deeply"},
    };
    for (const auto& c : cases) {
        std::string strError;
        EXPECT_FALSE(ParseJson(c.strText, strError)) << c.strText.substr(0, 20);
        EXPECT_NE(strError.find(c.pszExpected), std::string::npos) << strError;
    }
}

}  // namespace
}  // namespace rf::test
