#include "ui/win32/Win32App.h"

#include <memory>

#include "app/MessageLoop.h"
#include "app/Messages.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/Text.h"
#include "cli/EmulatedSession.h"
#include "ui/MainUserDlg.h"
#include "ui/WindowOptions.h"
#include "ui/win32/DialogWindow.h"
#include "ui/win32/Win32MessageBoxes.h"
#include "ui/win32/Win32MessagePump.h"
#include "ui/win32/resources/ResourceReaders.h"

#include "ui/win32/SystemHeaders.h"

namespace rf {

namespace {

void ShowError(const std::u16string& text) {
    CurrentMessageBoxes().Show(text, AppName(), MB_KIND_ERROR);
}

}  // namespace

int RunWin32App(const std::vector<std::u16string>& args, IDeviceSystem& hardware) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    UseProgramResources();

    CWin32MessagePump pump;
    CScopedPump scopedPump(pump);
    CWin32MessageBoxes messageBoxes;
    CScopedMessageBoxes scopedMessageBoxes(messageBoxes);

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
            ShowError(LoadResString(IDS_CLI_EMULATOR_ERROR) + Utf8ToUtf16(strError));
            return 1;
        }
        pSystem = &session->System();
    }

    // The dialog outlives its window; the window unbinds its views first.
    std::unique_ptr<CMainDlg> pDialog;
    if (SelectDialogTemplate(theCmdInfo) == IDD_MAIN_DIALOG) {
        pDialog = std::make_unique<CMainDlg>(*pSystem);
    } else {
        pDialog = std::make_unique<CMainUserDlg>(*pSystem);
    }
    {
        CDialogWindow window(*pDialog, &pump);
        if (!window.Create()) {
            return 1;
        }
        messageBoxes.SetOwner(window.Handle());
        window.RunModal();
        messageBoxes.SetOwner(nullptr);
    }

    if (session != nullptr) {
        std::string strError;
        if (!session->Save(strError)) {
            ShowError(LoadResString(IDS_CLI_EMULATOR_ERROR) + Utf8ToUtf16(strError));
            return 1;
        }
    }
    return 0;
}

}  // namespace rf
