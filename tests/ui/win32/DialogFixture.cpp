#include "DialogFixture.h"

#include <filesystem>

#include "base/CommandLine.h"
#include "base/Text.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "framework/Startup.h"
#include "ui/MainUserDlg.h"
#include "ui/win32/WideText.h"

#include "ui/win32/SystemHeaders.h"

namespace rf::test {

namespace {

Win32DialogTest* g_pCurrent = nullptr;

constexpr ::UINT kAnswerPeriodMilliseconds = 20;
constexpr int kMessageTextId = 0xFFFF;  // the text of a message box

std::u16string TextOf(::HWND hWnd) {
    wchar_t szText[1024] = {};
    const int nLength = GetWindowTextW(hWnd, szText, 1024);
    return FromWide(szText, static_cast<std::size_t>(nLength > 0 ? nLength : 0));
}

BOOL CALLBACK FindMessageBox(::HWND hWnd, ::LPARAM lParam) {
    wchar_t szClass[16] = {};
    GetClassNameW(hWnd, szClass, 16);
    if (std::wstring_view(szClass) == L"#32770" && IsWindowVisible(hWnd) &&
        GetDlgItem(hWnd, kMessageTextId) != nullptr) {
        *reinterpret_cast<::HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK AnswerMessageBoxes(::HWND, ::UINT, UINT_PTR, ::DWORD) {
    ::HWND hBox = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindMessageBox, reinterpret_cast<::LPARAM>(&hBox));
    if (hBox != nullptr && g_pCurrent != nullptr) {
        g_pCurrent->Answer(hBox);
    }
}

bool HasButton(::HWND hBox, int nId) {
    ::HWND hButton = GetDlgItem(hBox, nId);
    return hButton != nullptr && IsWindowVisible(hButton);
}

}  // namespace

Win32DialogTest::Win32DialogTest() {
    g_pCurrent = this;
    m_nAnswerTimer = ::SetTimer(nullptr, 0, kAnswerPeriodMilliseconds, &AnswerMessageBoxes);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
}

Win32DialogTest::~Win32DialogTest() {
    CloseWindow();
    ::KillTimer(nullptr, m_nAnswerTimer);
    g_pCurrent = nullptr;
    pDialog.reset();
    pSession.reset();
    if (!m_strDirectory.empty()) {
        std::error_code error;
        std::filesystem::remove_all(m_strDirectory, error);
    }
    theCmdInfo = CReflasherCommandLineInfo{};
}

void Win32DialogTest::Open(bool bVendor, Language language, bool bDevice) {
    CloseWindow();
    pDialog.reset();
    theCmdInfo = CReflasherCommandLineInfo{};
    theCmdInfo.m_bEnableVendorMode = bVendor;
    SetCurrentLanguage(language);
    ASSERT_TRUE(StartApplication({}, title));

    IDeviceSystem* pSystem = nullptr;
    if (bDevice) {
        wchar_t szTemp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, szTemp);
        m_strDirectory = (std::filesystem::path(szTemp) /
                          ("reflasher-gui-" + std::to_string(GetCurrentProcessId())))
                             .string();
        std::filesystem::remove_all(m_strDirectory);
        std::string strError;
        pSession = CEmulatedSession::Open(m_strDirectory, strError);
        ASSERT_NE(pSession, nullptr) << strError;
        pSystem = &pSession->System();
    } else {
        m_pNoDrives = std::make_unique<emu::CEmulatedDeviceSystem>();  // no drive attached
        pSystem = m_pNoDrives.get();
    }
    if (bVendor) {
        pDialog = std::make_unique<CMainDlg>(*pSystem);
    } else {
        pDialog = std::make_unique<CMainUserDlg>(*pSystem);
    }
    pDialog->SetListener(this);
    nRefreshes = 0;
    m_pWindow = std::make_unique<CDialogWindow>(*pDialog, &pump);
    ASSERT_TRUE(m_pWindow->Create());
    messageBoxes.SetOwner(m_pWindow->Handle());
    ShowWindow(m_pWindow->Handle(), SW_SHOW);
    if (bDevice) {
        ASSERT_TRUE(RunUntil([this] { return nRefreshes > 0; }, 20'000));
    }
}

void Win32DialogTest::CloseWindow() {
    messageBoxes.SetOwner(nullptr);
    m_pWindow.reset();
}

bool Win32DialogTest::RunUntil(const std::function<bool()>& bDone, unsigned nMilliseconds) {
    const ULONGLONG nDeadline = ::GetTickCount64() + nMilliseconds;
    for (;;) {
        PumpMessages();
        if (bDone()) {
            return true;
        }
        if (::GetTickCount64() >= nDeadline) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        clock.Advance(10'000);
    }
}

HWND Win32DialogTest::Item(UINT nId) const {
    return GetDlgItem(Dialog(), static_cast<int>(nId));
}

std::u16string Win32DialogTest::Shown(UINT nId) const {
    return TextOf(Item(nId));
}

bool Win32DialogTest::CloseItemGreyed() const {
    return (GetMenuState(GetSystemMenu(Dialog(), FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

void Win32DialogTest::Answer(HWND hBox) {
    if (hBox == m_hAnswered) {
        return;  // answered already, and not yet gone
    }
    m_hAnswered = hBox;
    ShownBox box{TextOf(hBox),          TextOf(GetDlgItem(hBox, kMessageTextId)),
                 HasButton(hBox, IDOK), HasButton(hBox, IDYES),
                 HasButton(hBox, IDNO), CloseItemGreyed(),
                 pDialog->IsBusy(),     true};
    if (box.bBusy) {
        // Escape and the window's close button reach the dialog behind the box.
        SendMessageW(Dialog(), WM_COMMAND, IDCANCEL, 0);
        SendMessageW(Dialog(), WM_CLOSE, 0, 0);
        box.bDialogStayed = !pDialog->IsEnded();
    }
    shown.push_back(box);
    int nAnswer = box.bYes ? IDNO : IDOK;
    if (!answers.empty()) {
        nAnswer = answers.front();
        answers.pop_front();
    }
    PostMessageW(hBox, WM_COMMAND, static_cast<::WPARAM>(nAnswer), 0);
}

void Win32DialogTest::OnDeviceRefreshed(bool /*bFound*/) {
    ++nRefreshes;
}

void Win32DialogTest::OnUpdateHandled(UINT nMessageId) {
    handled.push_back(nMessageId);
}

}  // namespace rf::test
