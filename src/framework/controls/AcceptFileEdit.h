#pragma once

// An edit field that takes files dropped on it: the first file of a drop
// goes to its target, which loads it. The field itself neither checks the
// file nor changes its own text; the target refreshes what is shown.

#include <span>
#include <string>

#include "framework/FileDropTarget.h"
#include "framework/controls/Edit.h"

namespace rf {

class CAcceptFileEdit : public CEdit {
public:
    // True when the drop was handed to the target. Without a target (or
    // without a file) the drop is left to the view's own handling.
    bool OnDropFiles(std::span<const std::u16string> paths);

    IFileDropTarget* m_pTarget = nullptr;  // not owned
};

}  // namespace rf
