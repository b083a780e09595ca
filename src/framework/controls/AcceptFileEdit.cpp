#include "framework/controls/AcceptFileEdit.h"

namespace rf {

bool CAcceptFileEdit::OnDropFiles(std::span<const std::u16string> paths) {
    if (m_pTarget == nullptr || paths.empty()) {
        return false;
    }
    // Only one image fits the target; the rest of the drop is ignored. What
    // a failed load leaves is for the target to show.
    m_pTarget->LoadFile(paths.front().c_str());
    return true;
}

}  // namespace rf
