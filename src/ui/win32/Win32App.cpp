#include "ui/win32/Win32App.h"

#include "framework/MessageLoop.h"
#include "framework/Messages.h"
#include "framework/WindowMessagePump.h"
#include "ui/WindowProgram.h"
#include "ui/win32/DialogWindow.h"
#include "ui/win32/Win32MessageBoxes.h"
#include "ui/win32/Win32MessagePump.h"
#include "ui/win32/resources/ResourceReaders.h"

#include "ui/win32/SystemHeaders.h"

namespace rf {

int RunWin32App(const std::vector<std::u16string>& args, IDeviceSystem& hardware) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    UseProgramResources();

    CWin32MessagePump pump;
    CScopedPump scopedPump(pump);
    CScopedFrontEndPump scopedTurn(WindowMessagePump());
    CWin32MessageBoxes messageBoxes;
    CScopedMessageBoxes scopedMessageBoxes(messageBoxes);

    // The dialog outlives its window; the window unbinds its views first.
    return RunWindowProgram(args, hardware, [&](CMainDlg& dialog, bool bEmulated) {
        CDialogWindow window(dialog, &pump);
        if (!window.Create()) {
            return false;
        }
        messageBoxes.SetOwner(window.Handle());
        if (!bEmulated) {
            WarnOfDrivesWithoutAccess(dialog.m_device.System(), dialog.m_device.m_bAllProducts);
        }
        window.RunModal();
        messageBoxes.SetOwner(nullptr);
        return true;
    });
}

}  // namespace rf
