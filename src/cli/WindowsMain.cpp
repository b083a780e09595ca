// The terminal front end on Windows: wide arguments, UTF-8 on the console,
// the computer's drives through the Win32 port.

#include <io.h>
#include <stdio.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "framework/Messages.h"

// The Win32 port after every other header of ours: it brings the system's
// headers, whose macros (MB_OK, IDOK and more) would rename names of ours.
#include "device/os/windows/WindowsDeviceSystem.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    }
    // Every text goes out as UTF-8; the console shows it as such.
    ::SetConsoleOutputCP(CP_UTF8);
    // The live table of "update --all" is redrawn in place with the
    // terminal's control sequences, which a console takes only when asked.
    const HANDLE hOut = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD dwMode = 0;
    if (::GetConsoleMode(hOut, &dwMode)) {
        ::SetConsoleMode(hOut, dwMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
    rf::SetAppName(u"reflasher-cli");
    rf::CWin32Api api;
    rf::CWindowsDeviceSystem system(api);
    rf::CliContext context{std::cout, std::cerr,
                           std::cin,  ::_isatty(::_fileno(stdin)) != 0,
                           system,    ::_isatty(::_fileno(stdout)) != 0};
    return rf::RunCli(args, context);
}
