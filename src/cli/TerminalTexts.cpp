// Where the terminal words a thing otherwise than the window or the
// emulator's own tables.

#include <array>
#include <string_view>

#include "base/Text.h"
#include "cli/Commands.h"
#include "emulator/BusProfile.h"
#include "images/RomObject.h"
#include "text/StringTable.h"

namespace rf {

namespace {

struct NamedText {
    std::string_view name;
    UINT nText;
};

constexpr std::array kLinkTexts = std::to_array<NamedText>({
    {"usb2", IDS_CLI_LINK_USB2},
    {"usb2-slow", IDS_CLI_LINK_USB2_SLOW},
    {"usb11", IDS_CLI_LINK_USB11},
    {"usb10", IDS_CLI_LINK_USB10},
    {"ieee1394", IDS_CLI_LINK_IEEE1394},
    {"ieee1394-slow", IDS_CLI_LINK_IEEE1394_SLOW},
    {"scsi", IDS_CLI_LINK_SCSI},
    {"ata", IDS_CLI_LINK_ATA},
});

// Messages of the update that speak of the window; the terminal's own
// wording is shown in their place, under the same id.
struct Rewording {
    UINT nDialogText;
    UINT nTerminalText;
};
constexpr std::array kRewordings = std::to_array<Rewording>({
    {IDS_ERR_TEST_IMAGES_ON_REAL_UNIT, IDS_CLI_TEST_IMAGES_ON_REAL_UNIT},
});

}  // namespace

std::u16string LinkDescription(const emu::BusProfile& bus) {
    for (const NamedText& text : kLinkTexts) {
        if (text.name == bus.pszName) {
            return LoadResString(text.nText);
        }
    }
    return Widen(bus.pszDescription);
}

UINT TerminalTextId(UINT nMessageId) {
    for (const Rewording& rewording : kRewordings) {
        if (rewording.nDialogText == nMessageId) {
            return rewording.nTerminalText;
        }
    }
    return nMessageId;
}

std::u16string ImageVersionCell(const CRomObject& rom) {
    return rom.IsLoaded() ? rom.m_strRomVersion : LoadResString(IDS_CLI_NOT_CARRIED);
}

std::u16string DeviceVersionCell(const CRomObject& rom) {
    // The window's sentence for a version that could not be asked for is
    // a cell's "not read" here.
    return rom.m_strDeviceVersion.empty() ||
                   rom.m_strDeviceVersion == LoadResString(IDS_ERR_VERSION_INFO)
               ? LoadResString(IDS_CLI_NOT_READ)
               : rom.m_strDeviceVersion;
}

}  // namespace rf
