#pragma once

// An edit field of the control layer: its text and enabled state, from the
// window base. The updater's fields are read-only, so nothing comes back
// from the view.

#include "framework/controls/Wnd.h"

namespace rf {

class CEdit : public CWnd {};

}  // namespace rf
