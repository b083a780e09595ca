#pragma once

// The resources of reflasher.exe, which the tests find beside themselves,
// put behind the program's look-ups for the life of the object, exactly as
// the program does at start-up.

#include <string>

#include "ui/win32/Win32Handles.h"

namespace rf::test {

class CProgramResources {
public:
    CProgramResources();
    ~CProgramResources();
    CProgramResources(const CProgramResources&) = delete;
    CProgramResources& operator=(const CProgramResources&) = delete;

    HMODULE Module() const { return m_hModule; }
    const std::u16string& Path() const { return m_strPath; }

private:
    std::u16string m_strPath;
    HMODULE m_hModule = nullptr;
};

// The file of the running test program.
std::u16string TestProgramPath();

}  // namespace rf::test
