// The updater's dialogs in their Windows windows, under Wine, on the
// emulated enclosure: the templates of reflasher.exe bound to the dialogs,
// a whole update from the button to its message box, drops on the image
// fields, and texts that fit their controls in both languages.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DialogFixture.h"
#include "base/CommandLine.h"
#include "base/Text.h"
#include "firmware/FirmwareImages.h"
#include "images/RomUi.h"
#include "ui/ControlIds.h"
#include "ui/win32/WideText.h"

#include "ui/win32/SystemHeaders.h"

#include <shlobj.h>

namespace rf::test {
namespace {

constexpr UINT kCheckBoxes[] = {IDC_CHECK_FLASH, IDC_CHECK_HOST, IDC_CHECK_UI78K, IDC_CHECK_UIRSC};
constexpr UINT kStatusTexts[] = {IDS_UPDATING_FLASH_ROM,    IDS_UPDATING_SEEPROM_HOST,
                                 IDS_CHECKING_SEEPROM_HOST, IDS_UPDATING_SPIROM_UI,
                                 IDS_CHECKING_SPIROM_UI,    IDS_UPDATING_FLASH_ROM_UI,
                                 IDS_CHECKING_FLASH_ROM_UI};

std::vector<::HWND> Children(::HWND hDialog) {
    std::vector<::HWND> children;
    for (::HWND hChild = GetWindow(hDialog, GW_CHILD); hChild != nullptr;
         hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        children.push_back(hChild);
    }
    return children;
}

LONG_PTR ButtonKind(::HWND hWnd) {
    wchar_t szClass[16] = {};
    GetClassNameW(hWnd, szClass, 16);
    return _wcsicmp(szClass, L"Button") == 0 ? GetWindowLongPtrW(hWnd, GWL_STYLE) & BS_TYPEMASK
                                             : -1;
}

// Size of a text in a control's font: its widest line and all its lines,
// mnemonics taken out as drawn.
SIZE TextSize(::HWND hControl, const std::u16string& text) {
    HDC hdc = GetDC(hControl);
    const auto hFont = reinterpret_cast<HFONT>(SendMessageW(hControl, WM_GETFONT, 0, 0));
    HGDIOBJ hOld = SelectObject(hdc, hFont);
    RECT rect{0, 0, 0, 0};
    DrawTextW(hdc, Wide(text), -1, &rect, DT_CALCRECT);
    SelectObject(hdc, hOld);
    ReleaseDC(hControl, hdc);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

SIZE ClientSize(::HWND hControl) {
    RECT rect{};
    GetClientRect(hControl, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

std::u16string WindowText(::HWND hWnd) {
    wchar_t szText[256] = {};
    const int nLength = GetWindowTextW(hWnd, szText, 256);
    return FromWide(szText, static_cast<std::size_t>(nLength));
}

// A drop of files, as the shell hands it to a window.
HDROP MakeDrop(const std::vector<std::u16string>& paths) {
    std::size_t nChars = 1;
    for (const std::u16string& path : paths) {
        nChars += path.size() + 1;
    }
    HGLOBAL hDrop = GlobalAlloc(GHND, sizeof(DROPFILES) + nChars * sizeof(wchar_t));
    auto* pFiles = static_cast<DROPFILES*>(GlobalLock(hDrop));
    pFiles->pFiles = sizeof(DROPFILES);
    pFiles->fWide = TRUE;
    auto* pText = reinterpret_cast<char16_t*>(pFiles + 1);
    for (const std::u16string& path : paths) {
        std::copy(path.begin(), path.end(), pText);
        pText += path.size() + 1;
    }
    GlobalUnlock(hDrop);
    return static_cast<HDROP>(hDrop);
}

TEST_F(Win32DialogTest, UserDialogShowsTheVersionsAndUpdatesTheEnclosureFromItsButton) {
    Open(false, Language::English);
    EXPECT_EQ(WindowText(Dialog()), u"Firmware Updater Ver.1.02");
    EXPECT_EQ(Shown(IDC_DEVICE_NAME), pDialog->m_device.m_strProductName);
    EXPECT_EQ(Shown(IDC_PRODUCT_VERSION), u"Ver.1.01");
    EXPECT_EQ(Shown(IDC_DEVICE_PRODUCT_VERSION), u"Ver.1.00");
    EXPECT_EQ(Shown(IDC_FIRMWARE_VERSIONS),
              u"(1) Ver.0027\r\n(2) Ver.C018\r\n(3) Ver.0029\r\n(4) Ver.0023");
    ASSERT_TRUE(IsWindowEnabled(Item(IDC_UPDATE)));
    EXPECT_FALSE(CloseItemGreyed());

    PostMessageW(Item(IDC_UPDATE), BM_CLICK, 0, 0);
    ASSERT_TRUE(RunUntil([this] { return !handled.empty(); }, 120'000));
    EXPECT_EQ(handled, std::vector<UINT>{IDS_UPDATE_COMPLETE});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"Complete to update firmware.");
    EXPECT_EQ(shown[0].caption, title);
    EXPECT_TRUE(shown[0].bOk);
    EXPECT_FALSE(shown[0].bYes || shown[0].bNo);
    // The result is shown while the update still holds the window.
    EXPECT_TRUE(shown[0].bBusy);
    EXPECT_TRUE(shown[0].bCloseGreyed);
    EXPECT_TRUE(shown[0].bDialogStayed);
    EXPECT_FALSE(CloseItemGreyed());
    EXPECT_EQ(Shown(IDC_STATUS), u"");

    // The restarted enclosure is found again and shows what was written.
    EXPECT_TRUE(
        RunUntil([this] { return Shown(IDC_DEVICE_PRODUCT_VERSION) == u"Ver.1.01"; }, 20'000));
    PostMessageW(Dialog(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(RunUntil([this] { return pDialog->IsEnded(); }, 5'000));
}

TEST_F(Win32DialogTest, JapaneseFullDialogTicksNewerImagesAndTakesAFileDroppedOnItsField) {
    Open(true, Language::Japanese);
    bool bGroupFound = false;
    for (::HWND hChild : Children(Dialog())) {
        bGroupFound |=
            ButtonKind(hChild) == BS_GROUPBOX && WindowText(hChild) == u"現在のデバイス情報";
    }
    EXPECT_TRUE(bGroupFound);
    for (const UINT nId : kCheckBoxes) {
        EXPECT_EQ(SendMessageW(Item(nId), BM_GETCHECK, 0, 0), BST_CHECKED) << nId;
    }
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_UPDATE)));

    // A tick taken away by hand reaches the dialog.
    PostMessageW(Item(IDC_CHECK_FLASH), BM_CLICK, 0, 0);
    ASSERT_TRUE(RunUntil([this] { return !pDialog->IsSelected(pDialog->m_romFlash); }, 5'000));

    // Only the first file of a drop counts.
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() /
        ("reflasher-drop-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(directory);
    const std::filesystem::path older = directory / u"リソース-0022.bin";
    const std::filesystem::path other = directory / "other.bin";
    const std::span<const BYTE> image = FindFirmwareImage(IDR_UI_RESOURCE_0022);
    std::ofstream(older, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    std::ofstream(other, std::ios::binary) << "not an image";
    CRom_UIRSC expected;
    expected.m_bVendorMode = true;  // the full dialog shows versions with their dates
    ASSERT_TRUE(expected.LoadFile(older.u16string().c_str()));
    const std::u16string before = Shown(IDC_ROM_VERSION_UIRSC);
    ASSERT_NE(expected.m_strRomVersion, before);

    SendMessageW(Item(IDC_ROM_VERSION_UIRSC), WM_DROPFILES,
                 reinterpret_cast<::WPARAM>(MakeDrop({older.u16string(), other.u16string()})), 0);
    EXPECT_EQ(Shown(IDC_ROM_VERSION_UIRSC), expected.m_strRomVersion);
    EXPECT_EQ(pDialog->m_romUIRSC.m_nDataSize, image.size());
    std::error_code error;
    std::filesystem::remove_all(directory, error);
}

TEST_F(Win32DialogTest, EveryTextFitsItsControlInBothLanguages) {
    for (const Language language : {Language::English, Language::Japanese}) {
        for (const bool bVendor : {true, false}) {
            SCOPED_TRACE(testing::Message() << "Japanese " << (language == Language::Japanese)
                                            << ", vendor " << bVendor);
            Open(bVendor, language);
            const int nCheckMark = GetSystemMetrics(SM_CXMENUCHECK) + 4;
            for (::HWND hChild : Children(Dialog())) {
                const std::u16string text = WindowText(hChild);
                const LONG_PTR nKind = ButtonKind(hChild);
                SIZE room = ClientSize(hChild);
                if (nKind == BS_AUTOCHECKBOX) {
                    room.cx -= nCheckMark;
                } else if (nKind == BS_GROUPBOX || nKind == BS_DEFPUSHBUTTON) {
                    room.cx -= 12;
                }
                const SIZE size = TextSize(hChild, text);
                EXPECT_LE(size.cx, room.cx) << Utf16ToUtf8(text);
                if (nKind != BS_GROUPBOX) {
                    EXPECT_LE(size.cy, room.cy) << Utf16ToUtf8(text);
                }
            }
            // The status line has room for every stage.
            for (const UINT nId : kStatusTexts) {
                EXPECT_LE(TextSize(Item(IDC_STATUS), LoadResString(nId)).cx,
                          ClientSize(Item(IDC_STATUS)).cx)
                    << nId;
            }
        }
    }
}

}  // namespace
}  // namespace rf::test
