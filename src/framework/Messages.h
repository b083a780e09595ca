#pragma once

// Message boxes by string id. The front end installs the service that shows
// them (a dialog box, the terminal, or a script in tests); the caption is the
// application name, which start-up sets to the window title.

#include <string>

#include "base/Types.h"

namespace rf {

// Message-box type flags and answers, as the platform numbers them.
inline constexpr UINT MB_OK = 0x00;
inline constexpr UINT MB_YESNO = 0x04;
inline constexpr UINT MB_ICONSTOP = 0x10;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONINFORMATION = 0x40;
inline constexpr UINT MB_BUTTONS_MASK = 0x0F;
inline constexpr UINT MB_ICON_MASK = 0xF0;

// The three kinds of message box the program shows.
inline constexpr UINT MB_KIND_ERROR = MB_OK | MB_ICONSTOP;               // 0x10
inline constexpr UINT MB_KIND_QUESTION = MB_YESNO | MB_ICONEXCLAMATION;  // 0x34
inline constexpr UINT MB_KIND_COMPLETION = MB_OK | MB_ICONINFORMATION;   // 0x40

inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

class IMessageBoxService {
public:
    virtual ~IMessageBoxService() = default;
    // Shows a modal message box and returns the button pressed.
    virtual int Show(const std::u16string& text, const std::u16string& caption, UINT nType) = 0;
};

// The service ShowMessage uses. Until a front end installs one, messages go
// nowhere and a question is answered No, so nothing is ever done unasked.
IMessageBoxService& CurrentMessageBoxes();
void SetCurrentMessageBoxes(IMessageBoxService* pService);  // null restores the default

class CScopedMessageBoxes {
public:
    explicit CScopedMessageBoxes(IMessageBoxService& service);
    ~CScopedMessageBoxes();
    CScopedMessageBoxes(const CScopedMessageBoxes&) = delete;
    CScopedMessageBoxes& operator=(const CScopedMessageBoxes&) = delete;

private:
    IMessageBoxService* m_pPrevious;
};

// The caption of every message box: the executable's name until start-up
// has built the title, the title afterwards.
const std::u16string& AppName();
void SetAppName(std::u16string name);

// Loads the text of the id (empty when missing) and shows it with the type
// flags; returns the button pressed.
int ShowMessage(UINT nId, UINT nType);

}  // namespace rf
