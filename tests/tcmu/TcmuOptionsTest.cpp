#include <gtest/gtest.h>

#include "base/Text.h"
#include "tcmu/TcmuOptions.h"

namespace rf::test {
namespace {

std::optional<TcmuOptionError> Parse(const std::vector<std::u16string>& args,
                                     TcmuOptions& options) {
    return ParseTcmuOptions(args, options, "default-dir");
}

TEST(TcmuOptionsTest, TakesWhatTheGuestCheckPasses) {
    TcmuOptions options;
    ASSERT_FALSE(Parse({u"uio0", u"--emulate=/w/enc", u"--clock=/w/clock", u"--preset", u"row1",
                        u"--as-real-unit", u"--emulate-fault", u"fail:3", u"--trace=t.txt"},
                       options));
    EXPECT_EQ(options.uio, u"uio0");
    EXPECT_EQ(options.emulateDirectory, "/w/enc");
    EXPECT_EQ(options.clockFile, "/w/clock");
    EXPECT_EQ(options.preset, "row1");
    EXPECT_TRUE(options.bAsRealUnit);
    EXPECT_EQ(options.faults, std::vector<std::string>{"fail:3"});
    EXPECT_EQ(options.traceFile, u"t.txt");

    TcmuOptions defaults;
    ASSERT_FALSE(Parse({u"uio1", u"--emulate"}, defaults));
    EXPECT_EQ(defaults.emulateDirectory, "default-dir");
}

TEST(TcmuOptionsTest, RefusesWhatItDoesNotServeNamingTheArgument) {
    // The terminal's options, the updater's, a second device, and values
    // that are missing or not wanted.
    const std::vector<std::pair<std::vector<std::u16string>, std::u16string>> refused{
        {{u"uio0", u"--plan"}, u"--plan"},
        {{u"uio0", u"--all"}, u"--all"},
        {{u"uio0", u"--json"}, u"--json"},
        {{u"uio0", u"--link", u"usb2"}, u"--link"},
        {{u"uio0", u"/EnableVendorMode"}, u"/EnableVendorMode"},
        {{u"uio0", u"uio1"}, u"uio1"},
        {{u"uio0", u"-x"}, u"-x"},
        {{u"uio0", u"--help=yes"}, u"--help=yes"},
    };
    for (const auto& [args, argument] : refused) {
        TcmuOptions options;
        const std::optional<TcmuOptionError> error = Parse(args, options);
        ASSERT_TRUE(error) << Utf16ToUtf8(argument);
        EXPECT_EQ(error->argument, argument);
        EXPECT_FALSE(error->bMissingValue);
    }
    for (const std::vector<std::u16string>& args :
         {std::vector<std::u16string>{u"uio0", u"--clock"}, {u"uio0", u"--preset="}}) {
        TcmuOptions options;
        const std::optional<TcmuOptionError> error = Parse(args, options);
        ASSERT_TRUE(error);
        EXPECT_TRUE(error->bMissingValue);
        EXPECT_EQ(error->argument, args.back());
    }
}

}  // namespace
}  // namespace rf::test
