#pragma once

// The two dialog templates as data: which control stands in which group,
// row and column, and the texts the template itself gives. The same in both
// languages; only the texts change. The Qt window builds its widgets from
// them; the Windows build makes its dialog resources from them.

#include <span>

#include "base/Types.h"

namespace rf {

enum class ControlKind {
    Label,          // a text of the template, bound to nothing
    ReadOnlyEdit,   // a one-line field
    CenteredEdit,   // a one-line field, text centred
    MultiLineEdit,  // a list of lines
    CheckBox,
    DefaultButton,
    StatusText,
    ProgressBar,
};

enum class ControlGroup {
    None,  // below the group boxes
    UpdateInformation,
    DeviceInformation,
};

struct TemplateControl {
    UINT nId;  // 0: a label without id
    ControlKind kind;
    ControlGroup group;
    int nRow;
    int nColumn;
    int nColumnSpan;
    UINT nTextId;  // the template's text, from the string table; 0: none
};

struct DialogTemplate {
    UINT nId;
    std::span<const TemplateControl> controls;
};

// The template with this id, or null.
const DialogTemplate* FindDialogTemplate(UINT nId);

// The string id of a group box's title.
UINT GroupTitleId(ControlGroup group);

}  // namespace rf
