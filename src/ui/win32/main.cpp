// The Windows program: the updater's dialog on the computer's drives, or on
// the emulated enclosure with /Emulate.

#include <string>
#include <vector>

#include "device/os/windows/WindowsDeviceSystem.h"
#include "ui/win32/WideText.h"
#include "ui/win32/Win32App.h"

#include "ui/win32/SystemHeaders.h"

int WINAPI WinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevious*/, LPSTR /*pszCommandLine*/,
                   int /*nShow*/) {
    std::vector<std::u16string> args;
    int nArgs = 0;
    if (LPWSTR* ppArgs = CommandLineToArgvW(GetCommandLineW(), &nArgs)) {
        for (int i = 1; i < nArgs; ++i) {
            args.push_back(rf::FromWide(ppArgs[i]));
        }
        LocalFree(ppArgs);
    }
    rf::CWin32Api api;
    rf::CWindowsDeviceSystem system(api);
    return rf::RunWin32App(args, system);
}
