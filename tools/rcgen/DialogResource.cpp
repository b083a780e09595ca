#include "DialogResource.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "ResourceText.h"
#include "ui/ControlIds.h"

namespace rf::rcgen {

namespace {

// Dialog units.
constexpr int kMargin = 7;
constexpr int kGroupInset = 7;   // left and right inside a group box
constexpr int kGroupTop = 11;    // room for the group's title
constexpr int kGroupBottom = 6;  // below the last row of a group
constexpr int kGap = 4;          // between columns
constexpr int kRowGap = 3;       // between rows
constexpr int kFieldHeight = 12;
constexpr int kLabelHeight = 8;
constexpr int kCheckBoxHeight = 10;
constexpr int kCheckBoxBox = 14;  // the box and the room beside it
constexpr int kButtonHeight = 14;
constexpr int kProgressHeight = 10;
constexpr int kListLines = 4;  // the firmware version lists hold four entries
constexpr int kLineHeight = 8;
constexpr int kFieldChrome = 8;  // frame and inner margins of a field
constexpr int kMinFieldWidth = 150;
constexpr int kMinButtonWidth = 80;
constexpr int kButtonChrome = 16;

// The fields where a dropped file replaces the image.
constexpr UINT kDropFields[] = {IDC_ROM_VERSION_FLASH, IDC_ROM_VERSION_HOST, IDC_ROM_VERSION_UI78K,
                                IDC_ROM_VERSION_UIRSC};

// A check box shows its memory's technical title, in English whatever the
// language (the full dialog is the vendor's), with the recommendation mark.
constexpr UINT kCheckBoxTitles[] = {IDS_WND_FLASH_ROM_VERSION, IDS_WND_SEEPROM_HOST_VERSION,
                                    IDS_WND_UI_FIRMWARE_VERSION, IDS_WND_RESOURCE_VERSION};

// The longest texts a version field may have to show in full.
constexpr UINT kFieldErrorTexts[] = {IDS_ERR_VERSION_INFO, IDS_ERR_INVALID_ROM, IDS_ERR_READ_FILE,
                                     IDS_UNREADABLE, IDS_UNKNOWN};
constexpr std::u16string_view kLongestVersion = u"0.27 KESTREL_DVXDUO 2013/11/12 15:11:15";
constexpr std::u16string_view kListPrefix = u"(3) ";

struct Box {
    int x;
    int y;
    int cx;
    int cy;
};

std::u16string Text(UINT nId, Language language) {
    const char16_t* pszText = nId != 0 ? FindString(nId, language) : nullptr;
    return pszText != nullptr ? pszText : u"";
}

bool IsDropField(UINT nId) {
    return std::find(std::begin(kDropFields), std::end(kDropFields), nId) != std::end(kDropFields);
}

int LabelColumnWidth(const DialogTemplate& dialogTemplate, Language language) {
    int nWidest = 0;
    for (const TemplateControl& control : dialogTemplate.controls) {
        if (control.group == ControlGroup::None || control.nColumn != 0 ||
            control.nColumnSpan != 1) {
            continue;
        }
        if (control.kind == ControlKind::Label) {
            nWidest = std::max(nWidest, EstimatedTextWidth(Text(control.nTextId, language)));
        } else if (control.kind == ControlKind::CheckBox) {
            for (const UINT nTitle : kCheckBoxTitles) {
                std::u16string title = Text(nTitle, Language::English);
                title.insert(title.size() - 1, u"(*)");  // "FLASH-ROM Version(*):"
                nWidest = std::max(nWidest, kCheckBoxBox + EstimatedTextWidth(title));
            }
        }
    }
    return nWidest;
}

int FieldWidth(Language language) {
    int nWidest = EstimatedTextWidth(std::u16string(kListPrefix) + std::u16string(kLongestVersion));
    for (const UINT nId : kFieldErrorTexts) {
        nWidest = std::max(nWidest,
                           EstimatedTextWidth(std::u16string(kListPrefix) + Text(nId, language)));
    }
    return std::max(kMinFieldWidth, nWidest + kFieldChrome);
}

int ControlHeight(ControlKind kind) {
    switch (kind) {
        case ControlKind::MultiLineEdit:
            return kListLines * kLineHeight + kFieldChrome;
        case ControlKind::DefaultButton:
            return kButtonHeight;
        case ControlKind::ProgressBar:
            return kProgressHeight;
        case ControlKind::Label:
        case ControlKind::ReadOnlyEdit:
        case ControlKind::CenteredEdit:
        case ControlKind::CheckBox:
        case ControlKind::StatusText:
            return kFieldHeight;
    }
    return kFieldHeight;
}

// Where a control sits within its row: labels and check boxes level with
// the text of a field beside them.
Box PlaceInRow(ControlKind kind, int x, int y, int cx, int nRowHeight) {
    switch (kind) {
        case ControlKind::Label:
            return {x, y + 2, cx, kLabelHeight};
        case ControlKind::StatusText:
            return {x, y + 3, cx, kLabelHeight};
        case ControlKind::CheckBox:
            return {x, y + 1, cx, kCheckBoxHeight};
        case ControlKind::MultiLineEdit:
        case ControlKind::ReadOnlyEdit:
        case ControlKind::CenteredEdit:
        case ControlKind::DefaultButton:
        case ControlKind::ProgressBar:
            return {x, y, cx, std::min(nRowHeight, ControlHeight(kind))};
    }
    return {x, y, cx, nRowHeight};
}

std::string ControlStatement(const TemplateControl& control, const Box& box, Language language) {
    const char* pszClass = "Edit";
    std::string style = "WS_CHILD | WS_VISIBLE";
    std::string exStyle;
    switch (control.kind) {
        case ControlKind::Label:
            pszClass = "Static";
            style += " | SS_LEFT";
            break;
        case ControlKind::ReadOnlyEdit:
            style += " | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL | ES_READONLY";
            if (IsDropField(control.nId)) {
                exStyle = "WS_EX_ACCEPTFILES";
            }
            break;
        case ControlKind::CenteredEdit:
            style += " | WS_BORDER | ES_CENTER | ES_AUTOHSCROLL | ES_READONLY";
            break;
        case ControlKind::MultiLineEdit:
            style += " | WS_BORDER | ES_LEFT | ES_MULTILINE | ES_READONLY";
            break;
        case ControlKind::CheckBox:
            pszClass = "Button";
            style += " | WS_TABSTOP | BS_AUTOCHECKBOX";
            break;
        case ControlKind::DefaultButton:
            pszClass = "Button";
            style += " | WS_TABSTOP | WS_DISABLED | BS_DEFPUSHBUTTON";
            break;
        case ControlKind::StatusText:
            pszClass = "Static";
            style += " | SS_LEFT | SS_NOPREFIX";
            break;
        case ControlKind::ProgressBar:
            pszClass = "msctls_progress32";
            style += " | WS_BORDER";
            break;
    }
    const int nId = control.nId != 0 ? static_cast<int>(control.nId) : -1;
    std::string statement = "    CONTROL " + QuotedRcText(Text(control.nTextId, language)) + ", " +
                            std::to_string(nId) + ", \"" + pszClass + "\", " + style + ", " +
                            std::to_string(box.x) + ", " + std::to_string(box.y) + ", " +
                            std::to_string(box.cx) + ", " + std::to_string(box.cy);
    if (!exStyle.empty()) {
        statement += ", " + exStyle;
    }
    return statement + "\n";
}

std::string GroupBoxStatement(ControlGroup group, const Box& box, Language language) {
    return "    CONTROL " + QuotedRcText(Text(GroupTitleId(group), language)) +
           ", -1, \"Button\", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, " + std::to_string(box.x) +
           ", " + std::to_string(box.y) + ", " + std::to_string(box.cx) + ", " +
           std::to_string(box.cy) + "\n";
}

}  // namespace

int EstimatedTextWidth(std::u16string_view text) {
    double dWidth = 0;
    for (const char16_t c : text) {
        if (c == u'&') {
            continue;
        }
        if (c >= 0x2E80) {
            dWidth += 8.5;  // full-width characters
        } else if ((c >= u'A' && c <= u'Z') || c == u'm' || c == u'w' || c == u'#') {
            dWidth += 6;
        } else if (c == u' ' || c == u'.' || c == u':' || c == u'(' || c == u')' || c == u'i' ||
                   c == u'l' || c == u'-') {
            dWidth += 3;
        } else {
            dWidth += 4.5;
        }
    }
    return static_cast<int>(std::ceil(dWidth));
}

std::string DialogResource(const DialogTemplate& dialogTemplate, Language language,
                           std::u16string_view caption) {
    const bool bThreeColumns =
        std::any_of(dialogTemplate.controls.begin(), dialogTemplate.controls.end(),
                    [](const TemplateControl& control) { return control.nColumn == 2; });
    const int nLabelWidth = LabelColumnWidth(dialogTemplate, language);
    const int nFieldWidth = FieldWidth(language);
    const int nHalf = (nFieldWidth - kGap) / 2;
    const int nGroupWidth = 2 * kGroupInset + nLabelWidth + kGap + nFieldWidth;
    int nButtonWidth = kMinButtonWidth;
    for (const TemplateControl& control : dialogTemplate.controls) {
        if (control.kind == ControlKind::DefaultButton) {
            nButtonWidth = std::max(
                nButtonWidth, EstimatedTextWidth(Text(control.nTextId, language)) + kButtonChrome);
        }
    }

    // Left edge and right edge of each grid column inside a group.
    const int x0 = kMargin + kGroupInset;
    const int xField = x0 + nLabelWidth + kGap;
    auto left = [&](int nColumn) {
        return nColumn == 0 ? x0 : nColumn == 1 ? xField : xField + nHalf + kGap;
    };
    auto right = [&](int nColumn) {
        return nColumn == 0   ? x0 + nLabelWidth
               : nColumn == 1 ? (bThreeColumns ? xField + nHalf : xField + nFieldWidth)
                              : xField + nFieldWidth;
    };

    std::string body;
    int y = kMargin;
    for (const ControlGroup group :
         {ControlGroup::UpdateInformation, ControlGroup::DeviceInformation, ControlGroup::None}) {
        std::map<int, int> rowHeights;
        for (const TemplateControl& control : dialogTemplate.controls) {
            if (control.group == group) {
                int& nHeight = rowHeights[control.nRow];
                nHeight = std::max(nHeight, ControlHeight(control.kind));
            }
        }
        if (rowHeights.empty()) {
            continue;
        }
        const bool bBox = group != ControlGroup::None;
        const int nTop = y;
        std::map<int, int> rowTops;
        int yRow = bBox ? nTop + kGroupTop : nTop;
        for (const auto& [nRow, nHeight] : rowHeights) {
            rowTops[nRow] = yRow;
            yRow += nHeight + kRowGap;
        }
        const int nBottom = yRow - kRowGap + (bBox ? kGroupBottom : 0);
        if (bBox) {
            body +=
                GroupBoxStatement(group, {kMargin, nTop, nGroupWidth, nBottom - nTop}, language);
        }
        for (const TemplateControl& control : dialogTemplate.controls) {
            if (control.group != group) {
                continue;
            }
            int x = left(control.nColumn);
            int cx = right(control.nColumn + control.nColumnSpan - 1) - x;
            if (!bBox) {
                // Below the groups: the button at the right edge, the status
                // line beside it, the progress bar across.
                if (control.kind == ControlKind::DefaultButton) {
                    x = kMargin + nGroupWidth - nButtonWidth;
                    cx = nButtonWidth;
                } else if (control.nColumnSpan > 1) {
                    x = kMargin;
                    cx = nGroupWidth;
                } else {
                    x = kMargin;
                    cx = nGroupWidth - nButtonWidth - kGap;
                }
            }
            const Box box =
                PlaceInRow(control.kind, x, rowTops[control.nRow], cx, rowHeights[control.nRow]);
            body += ControlStatement(control, box, language);
        }
        y = nBottom + kMargin;
    }

    const bool bJapanese = language == Language::Japanese;
    std::string resource = std::to_string(dialogTemplate.nId) + " DIALOGEX 0, 0, " +
                           std::to_string(kMargin + nGroupWidth + kMargin) + ", " +
                           std::to_string(y) + "\n";
    resource +=
        "STYLE DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | DS_CENTER | WS_POPUP | WS_CAPTION | "
        "WS_SYSMENU | WS_MINIMIZEBOX\n";
    resource += "EXSTYLE WS_EX_APPWINDOW\n";
    resource += "CAPTION " + QuotedRcText(caption) + "\n";
    resource += bJapanese ? "FONT 9, \"MS UI Gothic\", 400, 0, 0x80\n"
                          : "FONT 8, \"Tahoma\", 400, 0, 0x0\n";
    resource += "BEGIN\n" + body + "END\n";
    return resource;
}

}  // namespace rf::rcgen
