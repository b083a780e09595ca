// Command lines of both programs: the updater's own options (with "/" or
// "-") and the terminal front end's commands and options. Arguments are
// the input's pieces between NUL bytes, as UTF-8.

#include <cstdint>
#include <string>
#include <vector>

#include "base/CommandLine.h"
#include "base/Text.h"
#include "fuzz/FuzzDevice.h"
#include "session/CliOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    rf::fuzz::CFuzzEnvironment env;
    std::vector<std::u16string> args;
    std::string strArg;
    for (std::size_t i = 0; i < nSize; ++i) {
        if (pData[i] == 0) {
            args.push_back(rf::Utf8ToUtf16(strArg));
            strArg.clear();
        } else {
            strArg.push_back(static_cast<char>(pData[i]));
        }
    }
    args.push_back(rf::Utf8ToUtf16(strArg));

    rf::CReflasherCommandLineInfo info;
    rf::ParseCommandLine(info, args);
    rf::CliOptions options;
    if (!rf::ParseCliOptions(args, options, "/nonexistent/emulated-enclosure")) {
        rf::ParseCommandLine(info, options.updaterArgs);
    }
    return 0;
}
