// The update command: confirmation, volume check, then the memories in a
// fixed order, each marked valid only after its contents were verified, and
// finally the bridge restarted and the result shown.

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "app/Clock.h"
#include "app/CommandLine.h"
#include "app/Messages.h"
#include "app/StringTable.h"
#include "device/FlashRomCheck.h"
#include "images/UnitJournal.h"
#include "images/ImageOrigin.h"
#include "programming/SpiFlash.h"
#include "programming/UiFlash.h"
#include "programming/UiLink.h"
#include "ui/ControlIds.h"
#include "ui/MainDlg.h"

namespace rf {

namespace {

constexpr DWORD kModeSwitchMilliseconds = 2000;
constexpr DWORD kResourceModeSettleMilliseconds = 100;
constexpr DWORD kBootModeSettleMilliseconds = 50;
constexpr DWORD kBeforeRestartMilliseconds = 1000;
constexpr std::size_t kHostReadBackSize = 0x2000;
constexpr std::size_t kResourceMagicLength = 8;
constexpr std::size_t kUiSerialOffset = 0xA0;
constexpr WORD kUiVersionWithPreUpdate = 2;

// The image as the device receives it; the held image itself stays as it
// was loaded, so a failed update leaves nothing marked invalid in memory.
std::vector<BYTE> WorkingCopy(const CRomObject& rom) {
    return std::vector<BYTE>(rom.m_pData.get(), rom.m_pData.get() + rom.m_nBufferSize);
}

}  // namespace

bool CMainDlg::SwitchUiMode(int nMode) {
    // Only a switch that never reached the bridge fails here. A bridge may
    // well answer a switch, which restarts the front panel's link, with a
    // non-GOOD status; whether the switch happened shows in the stages after
    // it, which fail with their own messages.
    return m_device.SetUiMode(nMode);
}

void CMainDlg::OnUpdateFirmware() {
    // A command that arrives while an update (or its closing message) runs
    // would start a second update inside the first.
    if (m_bBusy) {
        if (m_pListener != nullptr) {
            m_pListener->OnUpdateHandled(0);
        }
        return;
    }
    CRomObject* const writable[] = {&m_romFlash, &m_romHost, &m_romUI78K, &m_romUIRSC};
    if (!AnyMemorySelected()) {
        if (ShowMessage(IDS_CONFIRM_OVERWRITE, MB_KIND_QUESTION) != IDYES) {
            if (m_pListener != nullptr) {
                m_pListener->OnUpdateHandled(0);
            }
            return;
        }
        for (CRomObject* pRom : writable) {
            if (pRom->m_chkUpdate.HasWindow()) {
                pRom->m_chkUpdate.SetCheck(BST_CHECKED);
            }
            pRom->m_bUpdate = true;
        }
    }
    // Whatever front end asked: a test image never reaches a real unit.
    auto selected = [this](const CRomObject& rom) { return IsSelected(rom) ? &rom : nullptr; };
    if (const UINT nRefused = RefuseTestImagesOnRealUnit(
            m_device, {selected(m_romHost), selected(m_romFlash), selected(m_romUIRSC), selected(m_romUI78K)});
        nRefused != 0) {
        ShowMessage(nRefused, MB_KIND_ERROR);
        if (m_pListener != nullptr) {
            m_pListener->OnUpdateHandled(nRefused);
        }
        return;
    }
    if (!m_device.LockVolumes() && !theCmdInfo.m_bIgnoreLockDrivesError) {
        ShowMessage(IDS_ERR_DRIVE_IN_USE, MB_KIND_ERROR);
        if (m_pListener != nullptr) {
            m_pListener->OnUpdateHandled(IDS_ERR_DRIVE_IN_USE);
        }
        return;
    }

    m_bBusy = true;
    m_btnUpdate.EnableWindow(false);
    for (CRomObject* pRom : writable) {
        if (pRom->m_chkUpdate.HasWindow()) {
            pRom->m_chkUpdate.EnableWindow(false);
        }
    }
    EnableCloseItem(false);

    const UINT nResult = RunUpdate();

    m_btnUpdate.EnableWindow(true);
    for (CRomObject* pRom : writable) {
        if (pRom->m_chkUpdate.HasWindow()) {
            pRom->m_chkUpdate.EnableWindow(true);
        }
    }
    EnableCloseItem(true);
    m_staticStatus.SetWindowText(u"");
    m_progress.SetRange32(0, 100);
    m_progress.SetPos(0);
    m_bBusy = false;
    if (m_pListener != nullptr) {
        m_pListener->OnUpdateHandled(nResult);
    }
}

UINT CMainDlg::RunUpdate() {
    // A FLASH-ROM write that cannot succeed on this chip or link is refused
    // before anything is written, rather than failing half-way.
    UINT nFailure =
        IsSelected(m_romFlash) ? CheckFlashRomWrite(m_device, m_romFlash.m_nDataSize) : 0;
    const bool bPreUpdate = m_romUI78K.m_wDeviceVersion >= kUiVersionWithPreUpdate;
    if (nFailure == 0 && bPreUpdate) {
        SendUiPreUpdateCommand(&m_device);
    }

    // SEEPROM(Host): contents with a blank header word, verified, then the
    // header word that makes them valid.
    if (nFailure == 0 && IsSelected(m_romHost)) {
        SetStatus(IDS_UPDATING_SEEPROM_HOST);
        std::vector<BYTE> image = WorkingCopy(m_romHost);
        const UINT nSize = m_romHost.m_nDataSize;
        image[0] = 0xFF;
        image[1] = 0xFF;
        if (!m_device.WriteHostEeprom(image.data(), nSize, &m_progress)) {
            nFailure = IDS_ERR_WRITE_EEPROM;
        } else {
            SetStatus(IDS_CHECKING_SEEPROM_HOST);
            std::vector<BYTE> readBack(kHostReadBackSize, 0);
            if (!m_device.ReadHostEeprom(0, readBack.data(), nSize, &m_progress)) {
                nFailure = IDS_ERR_READ_EEPROM;
            } else if (!std::equal(image.begin(), image.begin() + nSize, readBack.begin())) {
                nFailure = IDS_ERR_WRITE_EEPROM;
            } else {
                image[0] = 0xAA;
                image[1] = 0x55;
                // A bridge that refuses the write still takes the command,
                // so the header word is read back like the rest: "complete"
                // must never stand over a SEEPROM left marked invalid.
                std::array<BYTE, 2> header = {0, 0};
                if (!m_device.WriteHostEeprom(image.data(), 2, &m_progress)) {
                    nFailure = IDS_ERR_WRITE_EEPROM;
                } else if (!m_device.ReadHostEeprom(0, header.data(), 2, nullptr)) {
                    nFailure = IDS_ERR_READ_EEPROM;
                } else if (header[0] != 0xAA || header[1] != 0x55) {
                    nFailure = IDS_ERR_WRITE_EEPROM;
                } else {
                    ClearSelection(m_romHost);
                }
            }
        }
    }

    // Bridge FLASH-ROM: written and read back by the device object.
    if (nFailure == 0 && IsSelected(m_romFlash)) {
        SetStatus(IDS_UPDATING_FLASH_ROM);
        if (!m_device.WriteFlashRom(m_romFlash.m_pData.get(), m_romFlash.m_nDataSize, &m_progress)) {
            m_device.OnWriteFailed(0);
            nFailure = IDS_ERR_WRITE_FLASH_ROM;
        } else {
            ClearSelection(m_romFlash);
        }
    }

    // UI resource data: written with a blank magic, verified, then the magic.
    if (nFailure == 0 && IsSelected(m_romUIRSC)) {
        SetStatus(IDS_UPDATING_SPIROM_UI);
        if (!theCmdInfo.m_bDisableResetUI && !m_romUI78K.m_bDebugger) {
            if (!SwitchUiMode(1)) {
                nFailure = IDS_ERR_RESOURCE_MODE;
            } else {
                SleepPumping(kModeSwitchMilliseconds);
                if (!SwitchUiMode(3)) {
                    nFailure = IDS_ERR_RESOURCE_MODE;
                } else {
                    SleepPumping(kResourceModeSettleMilliseconds);
                    if (bPreUpdate) {
                        SendUiPreUpdateCommand(&m_device);
                    }
                }
            }
        }
        if (nFailure == 0 && m_device.m_pSpiFlashChip == nullptr &&
            (IdentifySpiFlash(&m_device) == 0xFFFF || m_device.m_pSpiFlashChip == nullptr)) {
            nFailure = IDS_ERR_UNKNOWN_SPI_FLASH;
        }
        if (nFailure == 0 && m_device.m_pSpiFlashChip->nKind == 0) {
            nFailure = IDS_ERR_UNKNOWN_SPI_FLASH;
        }
        if (nFailure == 0) {
            std::vector<BYTE> image = WorkingCopy(m_romUIRSC);
            std::fill_n(image.begin(), kResourceMagicLength, BYTE{0xFF});
            const UINT nSize = m_romUIRSC.m_nDataSize;
            if (!WriteSpiFlash(&m_device, &m_progress, image.data(), nSize)) {
                nFailure = IDS_ERR_WRITE_SPIROM;
            } else {
                SetStatus(IDS_CHECKING_SPIROM_UI);
                if (!VerifySpiFlash(&m_device, &m_progress, image.data(), nSize) || !WriteResourceMagic(&m_device)) {
                    nFailure = IDS_ERR_WRITE_SPIROM;
                } else {
                    ClearSelection(m_romUIRSC);
                }
            }
        }
    }

    // UI firmware: through the controller's boot mode, keeping the unit's
    // own information block.
    if (nFailure == 0 && m_romUI78K.IsUpdateChecked()) {
        std::vector<BYTE> image = WorkingCopy(m_romUI78K);
        // Kept on the computer before the erase, or written back from there.
        const std::optional<UiInfoBlock> infoBlock = PrepareUiInfoBlock(m_romCpu, m_romUI78K);
        if (infoBlock) {
            std::copy(infoBlock->begin(), infoBlock->end(), image.begin() + kUiSerialOffset);
        }
        const UINT nSize = m_romUI78K.m_nDataSize;
        if (!infoBlock) {
            nFailure = IDS_ERR_KEEP_UNIT_DATA;
        } else if (!SwitchUiMode(1)) {
            nFailure = IDS_ERR_UI_FIRMWARE_MODE;
        } else {
            SleepPumping(kModeSwitchMilliseconds);
            if (!SwitchUiMode(4)) {
                nFailure = IDS_ERR_UI_FIRMWARE_MODE;
            } else {
                SleepPumping(kBootModeSettleMilliseconds);
                SetStatus(IDS_UPDATING_FLASH_ROM_UI);
                if (!ProgramUiFlash(&m_device, &m_progress, image.data(), nSize)) {
                    nFailure = IDS_ERR_WRITE_UI_FLASH;
                } else {
                    SetStatus(IDS_CHECKING_FLASH_ROM_UI);
                    if (!VerifyUiFlash(&m_device, &m_progress, image.data(), nSize)) {
                        nFailure = IDS_ERR_WRITE_UI_FLASH;
                    } else {
                        ForgetUiInfoBlock(m_romCpu, *infoBlock);
                        ClearSelection(m_romUI78K);
                    }
                }
            }
        }
    }

    const bool bWasRomMode = m_device.m_bRomMode;
    SleepPumping(kBeforeRestartMilliseconds);
    m_device.ResetAndClose();
    UINT nResult = nFailure;
    if (nFailure != 0) {
        ShowMessage(nFailure, MB_KIND_ERROR);
    } else {
        nResult = bWasRomMode ? IDS_UPDATE_COMPLETE_POWER_CYCLE : IDS_UPDATE_COMPLETE;
        ShowMessage(nResult, MB_KIND_COMPLETION);
    }
    PostMessage(UM_DEVICE_CHANGED, 0, 0);
    return nResult;
}

}  // namespace rf
