#include "ui/win32/Win32MessageBoxes.h"

#include "ui/win32/WideText.h"

#include "ui/win32/SystemHeaders.h"

namespace rf {

int CWin32MessageBoxes::Show(const std::u16string& text, const std::u16string& caption,
                             UINT nType) {
    HWND hOwner = m_hOwner != nullptr && IsWindow(m_hOwner) ? m_hOwner : nullptr;
    return MessageBoxW(hOwner, Wide(text), Wide(caption), nType);
}

}  // namespace rf
