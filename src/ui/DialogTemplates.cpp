#include "ui/DialogTemplates.h"

#include <array>

#include "framework/Startup.h"
#include "text/StringTable.h"
#include "ui/ControlIds.h"

namespace rf {

namespace {

using K = ControlKind;
using G = ControlGroup;

// Each group is a grid: labels and check boxes in column 0, fields in
// columns 1 and 2 (the two serial numbers share the row's width).
constexpr std::array kFullDialog = std::to_array<TemplateControl>({
    {0, K::Label, G::UpdateInformation, 0, 0, 1, IDS_WND_FLASH_ROM_VERSION},
    {IDC_ROM_VERSION_FLASH, K::ReadOnlyEdit, G::UpdateInformation, 0, 1, 2, 0},
    {0, K::Label, G::UpdateInformation, 1, 0, 1, IDS_WND_SEEPROM_HOST_VERSION},
    {IDC_ROM_VERSION_HOST, K::ReadOnlyEdit, G::UpdateInformation, 1, 1, 2, 0},
    {0, K::Label, G::UpdateInformation, 2, 0, 1, IDS_WND_UI_FIRMWARE_VERSION},
    {IDC_ROM_VERSION_UI78K, K::ReadOnlyEdit, G::UpdateInformation, 2, 1, 2, 0},
    {0, K::Label, G::UpdateInformation, 3, 0, 1, IDS_WND_RESOURCE_VERSION},
    {IDC_ROM_VERSION_UIRSC, K::ReadOnlyEdit, G::UpdateInformation, 3, 1, 2, 0},

    {IDC_DEVICE_NAME, K::ReadOnlyEdit, G::DeviceInformation, 0, 0, 3, 0},
    {0, K::Label, G::DeviceInformation, 1, 0, 1, IDS_WND_SERIAL_NO},
    {IDC_SERIAL_NO, K::CenteredEdit, G::DeviceInformation, 1, 1, 1, 0},
    {IDC_UI_SERIAL_NO, K::CenteredEdit, G::DeviceInformation, 1, 2, 1, 0},
    {IDC_CHECK_FLASH, K::CheckBox, G::DeviceInformation, 2, 0, 1, 0},
    {IDC_DEVICE_VERSION_FLASH, K::ReadOnlyEdit, G::DeviceInformation, 2, 1, 2, 0},
    {IDC_CHECK_HOST, K::CheckBox, G::DeviceInformation, 3, 0, 1, 0},
    {IDC_DEVICE_VERSION_HOST, K::ReadOnlyEdit, G::DeviceInformation, 3, 1, 2, 0},
    {IDC_CHECK_UI78K, K::CheckBox, G::DeviceInformation, 4, 0, 1, 0},
    {IDC_DEVICE_VERSION_UI78K, K::ReadOnlyEdit, G::DeviceInformation, 4, 1, 2, 0},
    {IDC_CHECK_UIRSC, K::CheckBox, G::DeviceInformation, 5, 0, 1, 0},
    {IDC_DEVICE_VERSION_UIRSC, K::ReadOnlyEdit, G::DeviceInformation, 5, 1, 2, 0},

    {IDC_STATUS, K::StatusText, G::None, 0, 0, 1, 0},
    {IDC_UPDATE, K::DefaultButton, G::None, 0, 1, 1, IDS_WND_UPDATE_FIRMWARE},
    {IDC_PROGRESS, K::ProgressBar, G::None, 1, 0, 2, 0},
});

constexpr std::array kUserDialog = std::to_array<TemplateControl>({
    {0, K::Label, G::UpdateInformation, 0, 0, 1, IDS_WND_PRODUCT_VERSION},
    {IDC_PRODUCT_VERSION, K::ReadOnlyEdit, G::UpdateInformation, 0, 1, 1, 0},
    {0, K::Label, G::UpdateInformation, 1, 0, 1, IDS_WND_FIRMWARE_VERSION},
    {IDC_FIRMWARE_VERSIONS, K::MultiLineEdit, G::UpdateInformation, 1, 1, 1, 0},

    {IDC_DEVICE_NAME, K::ReadOnlyEdit, G::DeviceInformation, 0, 0, 2, 0},
    {0, K::Label, G::DeviceInformation, 1, 0, 1, IDS_WND_SERIAL_NO},
    {IDC_SERIAL_NO, K::CenteredEdit, G::DeviceInformation, 1, 1, 1, 0},
    {0, K::Label, G::DeviceInformation, 2, 0, 1, IDS_WND_PRODUCT_VERSION},
    {IDC_DEVICE_PRODUCT_VERSION, K::ReadOnlyEdit, G::DeviceInformation, 2, 1, 1, 0},
    {0, K::Label, G::DeviceInformation, 3, 0, 1, IDS_WND_FIRMWARE_VERSION},
    {IDC_DEVICE_FIRMWARE_VERSIONS, K::MultiLineEdit, G::DeviceInformation, 3, 1, 1, 0},

    {IDC_STATUS, K::StatusText, G::None, 0, 0, 1, 0},
    {IDC_UPDATE, K::DefaultButton, G::None, 0, 1, 1, IDS_WND_UPDATE_FIRMWARE},
    {IDC_PROGRESS, K::ProgressBar, G::None, 1, 0, 2, 0},
});

constexpr std::array kTemplates = std::to_array<DialogTemplate>({
    {IDD_MAIN_DIALOG, kFullDialog},
    {IDD_USER_DIALOG, kUserDialog},
});

}  // namespace

const DialogTemplate* FindDialogTemplate(UINT nId) {
    for (const DialogTemplate& dialogTemplate : kTemplates) {
        if (dialogTemplate.nId == nId) {
            return &dialogTemplate;
        }
    }
    return nullptr;
}

UINT GroupTitleId(ControlGroup group) {
    switch (group) {
        case ControlGroup::UpdateInformation:
            return IDS_WND_UPDATE_INFORMATION;
        case ControlGroup::DeviceInformation:
            return IDS_WND_DEVICE_INFORMATION;
        case ControlGroup::None:
            return 0;
    }
    return 0;
}

}  // namespace rf
