#include "framework/Startup.h"

#include "base/VersionRecord.h"
#include "framework/Messages.h"
#include "text/StringTable.h"

namespace rf {

bool StartApplication(const std::vector<std::u16string>& args, std::u16string& title) {
    if (!OpenVersionInfo()) {
        ShowMessage(IDS_ERR_VERSION_INFO, MB_KIND_ERROR);
        return false;
    }
    ParseCommandLine(theCmdInfo, args);
    title = GetVersionString(u"FileDescription") + u" Ver." + GetVersionString(u"FileVersion");
    SetAppName(title);
    return true;
}

UINT SelectDialogTemplate(const CReflasherCommandLineInfo& info) {
    return info.m_bEnableVendorMode ? IDD_MAIN_DIALOG : IDD_USER_DIALOG;
}

}  // namespace rf
