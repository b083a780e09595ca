#pragma once

// A button of the control layer; as a check box it also keeps its tick.
// The view hears of text, enabled and tick changes; a tick the person makes
// in the view comes back through SetCheckFromView, which does not echo it.

#include "framework/controls/Wnd.h"

namespace rf {

inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;

class CButton : public CWnd {
public:
    class IView : public CWnd::IView {
    public:
        virtual void OnCheckChanged(int nCheck) = 0;
    };

    void SetCheck(int nCheck);
    int GetCheck() const { return m_nCheck; }
    void SetCheckFromView(int nCheck) { m_nCheck = nCheck; }

    void SetView(IView* pView);

private:
    int m_nCheck = BST_UNCHECKED;
    IView* m_pButtonView = nullptr;
};

}  // namespace rf
