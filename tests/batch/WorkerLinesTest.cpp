// The lines a worker prints for the parent: a unit's result is taken only
// from a line that is the update's whole JSON object, and a progress line
// only when it is exactly one.

#include <gtest/gtest.h>

#include <string>

#include "batch/WorkerLines.h"

namespace rf::test {
namespace {

TEST(WorkerLinesTest, ProgressLinesAreReadOnlyWhenWhole) {
    const auto progress = ParseProgressLine(FormatProgressLine({2201, 100}));
    ASSERT_TRUE(progress);
    EXPECT_EQ(progress->nStage, 2201u);
    EXPECT_EQ(progress->nPercent, 100);
    for (const char* pszLine :
         {"@progress 1 101", "@progress 1", "@progress 1 5 ", "@progress -1 5",
          "@progress 123456 5", "@progress 1  5", "progress 1 5", "@progress 1 5x"}) {
        EXPECT_FALSE(ParseProgressLine(pszLine)) << pszLine;
    }
}

TEST(WorkerLinesTest, AResultIsTakenFromTheWholeObjectAndItsOwnMembersOnly) {
    const auto result = ParseResultLine(
        R"({"result":"success","message_id":140,"message":"Complete to update firmware."})");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->strResult, "success");
    EXPECT_EQ(result->nMessageId, 140u);
    // A member of a nested object, or words inside a message, are not the
    // unit's result.
    const auto nested = ParseResultLine(
        R"({"detail":{"result":"success","message_id":140},"result":"failure","message_id":903})");
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->strResult, "failure");
    EXPECT_EQ(nested->nMessageId, 903u);
    // Nothing done without a message, and a worker that could not run.
    const auto bare = ParseResultLine(R"({"result":"nothing","message_id":null,"message":null})");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->nMessageId, 0u);
    const auto error = ParseResultLine(R"({"error":{"message_id":2210,"message":"x"}})");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->strResult, "error");
    EXPECT_EQ(error->nMessageId, 2210u);
    for (const char* pszLine : {
             R"({"result":"success","message_id":140)",  // cut short
             R"({"result":"success","message_id":140} })",
             R"({"result":"success"})",
             R"({"result":1,"message_id":140})",
             R"({"result":"success","message_id":"140"})",
             R"({"result":"success","message_id":140.5})",
             R"({"result":"success","message_id":-1})",
             R"({"result":"success","message_id":70000})",
             R"({"error":{"message_id":"2210"}})",
             "{\"result\":\"\xFF\",\"message_id\":1}",
             "Complete to update firmware.",
         }) {
        EXPECT_FALSE(ParseResultLine(pszLine)) << pszLine;
    }
}

}  // namespace
}  // namespace rf::test
