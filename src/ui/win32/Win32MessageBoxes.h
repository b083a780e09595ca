#pragma once

// Message boxes of the Windows program: MessageBoxW with the program's type
// flags (error, question, completion), owned by the dialog's window.

#include <string>

#include "framework/Messages.h"
#include "ui/win32/Win32Handles.h"

namespace rf {

class CWin32MessageBoxes final : public IMessageBoxService {
public:
    int Show(const std::u16string& text, const std::u16string& caption, UINT nType) override;

    // The window the boxes belong to (disabled while one is shown); null for none.
    void SetOwner(HWND hOwner) { m_hOwner = hOwner; }

private:
    HWND m_hOwner = nullptr;
};

}  // namespace rf
