#include "ui/WindowProgram.h"

#include <memory>

#include "base/FilePath.h"
#include "base/Text.h"
#include "device/FindDevice.h"
#include "emulation/EmulatedSession.h"
#include "framework/Messages.h"
#include "framework/Startup.h"
#include "text/StringTable.h"
#include "ui/MainUserDlg.h"
#include "ui/WindowOptions.h"

namespace rf {

namespace {

void ShowEmulatorError(const std::string& strError) {
    CurrentMessageBoxes().Show(LoadResString(IDS_CLI_EMULATOR_ERROR) + Utf8ToUtf16(strError),
                               AppName(), MB_KIND_ERROR);
}

}  // namespace

int RunWindowProgram(const std::vector<std::u16string>& args, IDeviceSystem& hardware,
                     const DialogWindowRunner& runWindow) {
    const WindowOptions options = SplitWindowOptions(args, DefaultEmulatorDirectory());
    std::u16string title;
    if (!StartApplication(options.updaterArgs, title)) {
        return 1;
    }

    std::unique_ptr<CEmulatedSession> session;
    IDeviceSystem* pSystem = &hardware;
    if (options.emulateDirectory) {
        std::string strError;
        session = CEmulatedSession::Open(*options.emulateDirectory, strError);
        if (session == nullptr) {
            ShowEmulatorError(strError);
            return 1;
        }
        pSystem = &session->System();
    }

    std::unique_ptr<CMainDlg> pDialog;
    if (SelectDialogTemplate(theCmdInfo) == IDD_MAIN_DIALOG) {
        pDialog = std::make_unique<CMainDlg>(*pSystem);
    } else {
        pDialog = std::make_unique<CMainUserDlg>(*pSystem);
    }
    pDialog->m_strUnitName = options.device.value_or(u"");
    if (options.emulateDirectory) {
        pDialog->m_stateDirectory = PathFromUtf8(*options.emulateDirectory);
    }
    if (!runWindow(*pDialog, session != nullptr)) {
        return 1;
    }

    if (session != nullptr) {
        std::string strError;
        if (!session->Save(strError)) {
            ShowEmulatorError(strError);
            return 1;
        }
    }
    return 0;
}

void WarnOfDrivesWithoutAccess(IDeviceSystem& system, bool bAllProducts) {
    std::u16string text;
    for (const std::u16string& strName : CandidateDrivesWithoutAccess(system, bAllProducts)) {
        text += strName + u": " + LoadResString(DriveNotOpenedMessage()) + u"\n";
    }
    if (!text.empty()) {
        CurrentMessageBoxes().Show(text, AppName(), MB_OK | MB_ICONEXCLAMATION);
    }
}

}  // namespace rf
