// The update's run: the memories in a fixed order, each marked valid only
// after its contents were verified, and finally the bridge restarted.

#include <algorithm>
#include <array>
#include <vector>

#include "base/Clock.h"
#include "base/FilePath.h"
#include "base/Text.h"
#include "device/FrontEndPump.h"
#include "images/UnitJournal.h"
#include "programming/SpiFlash.h"
#include "programming/UiFlash.h"
#include "programming/UiLink.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

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

bool CFirmwareUpdate::SwitchUiMode(UiMode mode) {
    // Only a switch that never reached the bridge fails here. A bridge may
    // well answer a switch, which restarts the front panel's link, with a
    // non-GOOD status; whether the switch happened shows in the stages after
    // it, which fail with their own messages.
    return m_device.SetUiMode(UiModeNumber(mode));
}

bool CFirmwareUpdate::EnterUiMode(UiMode mode, DWORD nSettleMilliseconds) {
    // Through the normal mode first, which restarts the controller, then
    // into the mode the stage needs, each given its time to settle.
    if (!SwitchUiMode(UiMode::Normal)) {
        return false;
    }
    SleepPumping(kModeSwitchMilliseconds);
    if (!SwitchUiMode(mode)) {
        return false;
    }
    SleepPumping(nSettleMilliseconds);
    return true;
}

UpdateResult CFirmwareUpdate::Run(IProgress* pProgress, IUpdateStatusSink& status) {
    // The run is bound to the unit the device is open on now. It never
    // opens a drive; should the unit go away, its commands fail, and the
    // drive list tells why.
    m_runUnit = IdentifyRunUnit();
    UpdateResult result;
    result.eOutcome = UpdateOutcome::Ran;
    UINT nFailure = 0;
    const bool bPreUpdate = m_romUI78K.m_wDeviceVersion >= kUiVersionWithPreUpdate;
    if (bPreUpdate) {
        SendUiPreUpdateCommand(&m_device);
    }

    if (IsSelected(m_romHost)) {
        nFailure = UpdateHost(pProgress, status);
    }
    if (nFailure == 0 && IsSelected(m_romFlash)) {
        nFailure = UpdateFlashRom(pProgress, status);
    }
    if (nFailure == 0 && IsSelected(m_romUIRSC)) {
        nFailure = UpdateResource(pProgress, status, bPreUpdate, result);
    }
    if (nFailure == 0 && IsSelected(m_romUI78K)) {
        nFailure = UpdateUiFirmware(pProgress, status, result);
    }
    // A stage that failed because the unit went away says so, whatever its
    // command made of it.
    if (nFailure != 0 && !IsRunUnitAttached()) {
        nFailure = IDS_ERR_UNIT_GONE;
        result.strDetail.clear();
    }

    result.bWasRomMode = m_device.m_bRomMode;
    SleepPumping(kBeforeRestartMilliseconds);
    m_device.ResetAndClose();
    result.nMessageId = nFailure != 0        ? nFailure
                        : result.bWasRomMode ? IDS_UPDATE_COMPLETE_POWER_CYCLE
                                             : IDS_UPDATE_COMPLETE;
    return result;
}

// SEEPROM(Host): contents with a blank header word, verified, then the
// header word that makes them valid.
UINT CFirmwareUpdate::UpdateHost(IProgress* pProgress, IUpdateStatusSink& status) {
    status.OnStatus(IDS_UPDATING_SEEPROM_HOST);
    std::vector<BYTE> image = WorkingCopy(m_romHost);
    const UINT nSize = m_romHost.m_nDataSize;
    image[0] = 0xFF;
    image[1] = 0xFF;
    if (!m_device.WriteHostEeprom(image.data(), nSize, pProgress)) {
        return IDS_ERR_WRITE_EEPROM;
    }
    status.OnStatus(IDS_CHECKING_SEEPROM_HOST);
    std::vector<BYTE> readBack(kHostReadBackSize, 0);
    if (!m_device.ReadHostEeprom(0, readBack.data(), nSize, pProgress)) {
        return IDS_ERR_READ_EEPROM;
    }
    if (!std::equal(image.begin(), image.begin() + nSize, readBack.begin())) {
        return IDS_ERR_WRITE_EEPROM;
    }
    image[0] = 0xAA;
    image[1] = 0x55;
    // A bridge that refuses the write still takes the command, so the header
    // word is read back like the rest: "complete" must never stand over a
    // SEEPROM left marked invalid.
    std::array<BYTE, 2> header = {0, 0};
    if (!m_device.WriteHostEeprom(image.data(), 2, pProgress)) {
        return IDS_ERR_WRITE_EEPROM;
    }
    if (!m_device.ReadHostEeprom(0, header.data(), 2, nullptr)) {
        return IDS_ERR_READ_EEPROM;
    }
    if (header[0] != 0xAA || header[1] != 0x55) {
        return IDS_ERR_WRITE_EEPROM;
    }
    ClearSelection(m_romHost);
    return 0;
}

// Bridge FLASH-ROM: written and read back by the device object.
UINT CFirmwareUpdate::UpdateFlashRom(IProgress* pProgress, IUpdateStatusSink& status) {
    status.OnStatus(IDS_UPDATING_FLASH_ROM);
    if (!m_device.WriteFlashRom(m_romFlash.m_pData.get(), m_romFlash.m_nDataSize, pProgress)) {
        m_device.OnWriteFailed(0);
        return IDS_ERR_WRITE_FLASH_ROM;
    }
    ClearSelection(m_romFlash);
    return 0;
}

// UI resource data: written with a blank magic, verified, then the magic.
UINT CFirmwareUpdate::UpdateResource(IProgress* pProgress, IUpdateStatusSink& status,
                                     bool bPreUpdate, UpdateResult& result) {
    status.OnStatus(IDS_UPDATING_SPIROM_UI);
    if (!m_options.bDisableResetUI && !m_romUI78K.m_bDebugger) {
        if (!EnterUiMode(UiMode::Resource, kResourceModeSettleMilliseconds)) {
            return IDS_ERR_RESOURCE_MODE;
        }
        if (bPreUpdate) {
            SendUiPreUpdateCommand(&m_device);
        }
    }
    if (m_device.m_pSpiFlashChip == nullptr &&
        (IdentifySpiFlash(&m_device) == 0xFFFF || m_device.m_pSpiFlashChip == nullptr)) {
        return IDS_ERR_UNKNOWN_SPI_FLASH;
    }
    // Known only now that the chip is: an image larger than it is refused
    // before the erase, not after it.
    if (UpdateResult refused = RefuseResourceForChip();
        refused.eOutcome == UpdateOutcome::Refused) {
        result.strDetail = std::move(refused.strDetail);
        return refused.nMessageId;
    }
    std::vector<BYTE> image = WorkingCopy(m_romUIRSC);
    std::fill_n(image.begin(), kResourceMagicLength, BYTE{0xFF});
    const UINT nSize = m_romUIRSC.m_nDataSize;
    if (!WriteSpiFlash(&m_device, pProgress, image.data(), nSize)) {
        return IDS_ERR_WRITE_SPIROM;
    }
    status.OnStatus(IDS_CHECKING_SPIROM_UI);
    if (!VerifySpiFlash(&m_device, pProgress, image.data(), nSize) ||
        !WriteResourceMagic(&m_device)) {
        return IDS_ERR_WRITE_SPIROM;
    }
    ClearSelection(m_romUIRSC);
    return 0;
}

// UI firmware: through the controller's boot mode, keeping the unit's own
// information block.
UINT CFirmwareUpdate::UpdateUiFirmware(IProgress* pProgress, IUpdateStatusSink& status,
                                       UpdateResult& result) {
    // The unit's own block is kept on the computer before the erase, or
    // written back from there when an earlier run was cut after it. The
    // checks before the first write made the same choice; it is made again
    // here from the journal as it is now.
    const CUnitJournal journal = Journal();
    const UiInfoBlockChoice choice =
        ChooseUiInfoBlock(journal, m_romCpu, m_romUI78K, m_options.bIgnoreMissingUnitName);
    if (choice.nRefusal != 0) {
        return choice.nRefusal;
    }
    if (choice.bKeep && !journal.Keep(JournalUnitKey(m_romCpu), choice.block)) {
        result.strDetail = Utf8ToUtf16(PathToUtf8(journal.Directory()));
        return IDS_ERR_KEEP_UNIT_DATA;
    }
    const UiInfoBlock& infoBlock = choice.block;
    std::vector<BYTE> image = WorkingCopy(m_romUI78K);
    std::copy(infoBlock.begin(), infoBlock.end(), image.begin() + kUiSerialOffset);
    const UINT nSize = m_romUI78K.m_nDataSize;
    if (!EnterUiMode(UiMode::Boot, kBootModeSettleMilliseconds)) {
        return IDS_ERR_UI_FIRMWARE_MODE;
    }
    status.OnStatus(IDS_UPDATING_FLASH_ROM_UI);
    if (!ProgramUiFlash(&m_device, pProgress, image.data(), nSize)) {
        return IDS_ERR_WRITE_UI_FLASH;
    }
    status.OnStatus(IDS_CHECKING_FLASH_ROM_UI);
    if (!VerifyUiFlash(&m_device, pProgress, image.data(), nSize)) {
        return IDS_ERR_WRITE_UI_FLASH;
    }
    ForgetUiInfoBlock(journal, m_romCpu, infoBlock);
    ClearSelection(m_romUI78K);
    return 0;
}

}  // namespace rf
