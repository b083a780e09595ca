#pragma once

// A progress bar of the control layer: it keeps its range and position and
// tells an optional view (a real widget, or a test's recorder) of every
// change. Ranges may start below zero. It is the device layer's progress
// as the dialogs show it.

#include "base/Progress.h"

namespace rf {

class CProgressCtrl final : public IProgress {
public:
    class IView {
    public:
        virtual ~IView() = default;
        virtual void OnRangeChanged(int nLower, int nUpper) = 0;
        virtual void OnPosChanged(int nPos) = 0;
        // The bar must show its state now: a long command follows.
        virtual void OnRepaint() {}
    };

    void SetRange32(int nLower, int nUpper) override;
    int SetPos(int nPos) override;
    void UpdateWindow() override;

    int GetPos() const { return m_nPos; }
    int GetLower() const { return m_nLower; }
    int GetUpper() const { return m_nUpper; }

    void SetView(IView* pView) { m_pView = pView; }

private:
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPos = 0;
    IView* m_pView = nullptr;
};

}  // namespace rf
