#include "ui/WindowOptions.h"

#include <string_view>

#include "base/Text.h"

namespace rf {

WindowOptions SplitWindowOptions(const std::vector<std::u16string>& args,
                                 const std::string& strDefaultEmulatorDirectory) {
    WindowOptions options;
    for (const std::u16string& arg : args) {
        std::u16string_view option = arg;
        const bool bFlag = !option.empty() && (option.front() == u'/' || option.front() == u'-');
        if (bFlag) {
            option.remove_prefix(option.starts_with(u"--") ? 2 : 1);
        }
        const std::string strOption = Utf16ToUtf8(option);
        const std::size_t nEquals = strOption.find('=');
        const std::string_view name = std::string_view(strOption).substr(0, nEquals);
        const std::string strValue =
            nEquals == std::string::npos ? std::string() : strOption.substr(nEquals + 1);
        if (bFlag && EqualsNoCase(name, kWindowDeviceOption) && !strValue.empty()) {
            options.device = Utf8ToUtf16(strValue);
            continue;
        }
        if (!bFlag || !EqualsNoCase(name, kWindowEmulateOption)) {
            options.updaterArgs.push_back(arg);
            continue;
        }
        const std::string strDirectory =
            nEquals == std::string::npos ? std::string() : strOption.substr(nEquals + 1);
        options.emulateDirectory =
            strDirectory.empty() ? strDefaultEmulatorDirectory : strDirectory;
    }
    return options;
}

}  // namespace rf
