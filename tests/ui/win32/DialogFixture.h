#pragma once

// A dialog of the updater in its real window under Wine (and Xvfb): the
// templates, texts and images of reflasher.exe, the thread's message pump,
// real message boxes answered by a thread timer, and an emulated enclosure
// on the virtual clock.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ProgramResources.h"
#include "base/Clock.h"
#include "emulation/EmulatedSession.h"
#include "text/StringTable.h"
#include "ui/MainDlg.h"
#include "ui/win32/DialogWindow.h"
#include "ui/win32/Win32MessageBoxes.h"
#include "ui/win32/Win32MessagePump.h"

namespace rf::test {

class Win32DialogTest : public ::testing::Test, public IMainDlgListener {
public:
    // What a message box showed, and how the dialog behind it stood.
    struct ShownBox {
        std::u16string caption;
        std::u16string text;
        bool bOk;
        bool bYes;
        bool bNo;
        bool bCloseGreyed;
        bool bBusy;          // shown while the update ran
        bool bDialogStayed;  // then Escape and the window's close did not end it
    };

    // Called by the answering timer with each message box it finds.
    void Answer(HWND hBox);

protected:
    Win32DialogTest();
    ~Win32DialogTest() override;

    // Opens the full (vendor) or the user dialog in a language, on a fresh
    // emulated enclosure or on a computer without drives, and runs until
    // the device (if any) has been read.
    void Open(bool bVendor, Language language, bool bDevice = true);
    void CloseWindow();
    // Runs the thread's messages, moving the virtual clock on with real
    // time, until bDone() holds or nMilliseconds of real time have passed.
    bool RunUntil(const std::function<bool()>& bDone, unsigned nMilliseconds);

    HWND Dialog() const { return m_pWindow->Handle(); }
    HWND Item(UINT nId) const;
    std::u16string Shown(UINT nId) const;
    bool CloseItemGreyed() const;

    void OnDeviceRefreshed(bool bFound) override;
    void OnUpdateHandled(UINT nMessageId) override;

    CVirtualClock clock{1'000'000};
    CProgramResources resources;
    CWin32MessagePump pump;
    CWin32MessageBoxes messageBoxes;
    std::unique_ptr<CEmulatedSession> pSession;
    std::unique_ptr<CMainDlg> pDialog;
    std::u16string title;
    int nRefreshes = 0;
    std::vector<UINT> handled;
    std::deque<int> answers;  // default: OK, or No for a question
    std::vector<ShownBox> shown;

private:
    CScopedClock m_scopedClock{clock};
    CScopedPump m_scopedPump{pump};
    CScopedMessageBoxes m_scopedMessageBoxes{messageBoxes};
    std::string m_strDirectory;
    std::unique_ptr<IDeviceSystem> m_pNoDrives;
    std::unique_ptr<CDialogWindow> m_pWindow;
    HWND m_hAnswered = nullptr;
    std::uintptr_t m_nAnswerTimer = 0;
};

}  // namespace rf::test
