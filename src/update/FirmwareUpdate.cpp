#include "update/FirmwareUpdate.h"

#include "images/ImageOrigin.h"

#include <algorithm>

#include "base/Clock.h"
#include "base/CommandLine.h"
#include "device/FrontEndPump.h"
#include "framework/Messages.h"
#include "framework/StringTable.h"
#include "programming/UiLink.h"

namespace rf {

namespace {

constexpr DWORD kWakeFrameDelayMilliseconds = 55;
constexpr int kWakeFrames = 3;

}  // namespace

UpdateOptions UpdateOptionsFrom(const CReflasherCommandLineInfo& info) {
    return UpdateOptions{info.m_bDisableResetUI, info.m_bIgnoreLockDrivesError,
                         info.m_strUIResourceFile};
}

bool UpdateResult::Succeeded() const {
    return nMessageId == IDS_UPDATE_COMPLETE || nMessageId == IDS_UPDATE_COMPLETE_POWER_CYCLE;
}

CFirmwareUpdate::CFirmwareUpdate(IDeviceSystem& system) : m_device(system) {}

std::array<CRomObject*, 5> CFirmwareUpdate::Roms() {
    return {&m_romFlash, &m_romHost, &m_romCpu, &m_romUI78K, &m_romUIRSC};
}

std::array<CRomObject*, 4> CFirmwareUpdate::Writable() {
    return {&m_romFlash, &m_romHost, &m_romUI78K, &m_romUIRSC};
}

void CFirmwareUpdate::LoadOptionImages() {
    if (!m_options.strUIResourceFile.empty()) {
        m_romUIRSC.LoadFile(m_options.strUIResourceFile.c_str());
    }
}

void CFirmwareUpdate::RefreshImages() {
    for (CRomObject* pRom : Roms()) {
        if (pRom->IsLoaded()) {
            pRom->UpdateRomVersion();
        } else {
            LoadResString(pRom->m_strRomVersion, IDS_ERR_READ_FILE);
        }
        if (pRom->m_pOwner != nullptr) {
            pRom->m_pOwner->UpdateData(false);
        }
    }
}

void CFirmwareUpdate::WakeUiController() {
    // The controller waits to be switched: through mode 1 into its boot mode,
    // then synchronised with reset frames.
    m_device.SetUiMode(1);
    SleepPumping(kModeSwitchMilliseconds);
    m_device.SetUiMode(4);
    static constexpr BYTE kResetCommand[] = {0x00};
    for (int i = 0; i < kWakeFrames; ++i) {
        SleepPumping(kWakeFrameDelayMilliseconds);
        SendUiCommandFrame(&m_device, 1, kResetCommand);
        Sleep(1);
        if (WaitUiStatus(&m_device, false) == UI_ACK) {
            break;
        }
    }
}

bool CFirmwareUpdate::WakeUnit() {
    m_romCpu.m_strSerialNo.clear();
    m_romUI78K.m_strUiSerialNo.clear();
    UiState eState = m_device.GetUiState();
    m_eUiStateFound = eState;
    if (eState == UI_STATE_MUST_SWITCH) {
        WakeUiController();
        // The wake pumps messages; a search in it that found the device
        // gone has closed it, and this unit must not be read any further.
        if (!m_device.IsOpen()) {
            return false;
        }
        eState = m_device.GetUiState();
    }
    // The resource data is written through the controller's firmware only.
    m_romUIRSC.m_bUpdateLocked = eState != UI_STATE_FIRMWARE;
    return true;
}

void CFirmwareUpdate::ReadVersions(CProgressCtrl* pProgress) {
    const std::array<CRomObject*, 5> roms = Roms();
    for (std::size_t i = 0; i < roms.size(); ++i) {
        CRomObject* pRom = roms[i];
        m_device.ClearReadFault();
        pRom->ReadDeviceVersion(&m_device, pProgress);
        m_readFaults[i] = m_device.m_firstReadFault;
        if (pRom->m_pOwner != nullptr) {
            pRom->m_pOwner->UpdateData(false);
        }
    }
}

const ReadFault& CFirmwareUpdate::ReadFaultOf(const CRomObject& rom) const {
    const std::array<const CRomObject*, 5> roms = {&m_romFlash, &m_romHost, &m_romCpu, &m_romUI78K,
                                                   &m_romUIRSC};
    const std::size_t i =
        static_cast<std::size_t>(std::find(roms.begin(), roms.end(), &rom) - roms.begin());
    static const ReadFault kNone;
    return i < m_readFaults.size() ? m_readFaults[i] : kNone;
}

void CFirmwareUpdate::ForgetUnit() {
    m_readFaults.fill(ReadFault{});
    m_eUiStateFound = UI_STATE_NO_ANSWER;
    m_romCpu.m_strSerialNo.clear();
    m_romUI78K.m_strUiSerialNo.clear();
    m_romUIRSC.m_bUpdateLocked = true;
    for (CRomObject* pRom : Roms()) {
        pRom->m_strDeviceVersion.clear();
        if (pRom->m_pOwner != nullptr && pRom->m_chkUpdate.HasWindow()) {
            pRom->m_chkUpdate.SetCheck(BST_UNCHECKED);
        }
        pRom->m_bUpdate = false;
        if (pRom->m_pOwner != nullptr) {
            pRom->m_pOwner->UpdateData(false);
        }
    }
}

void CFirmwareUpdate::RefreshSelection() {
    const bool bDeviceOpen = m_device.IsOpen();
    for (CRomObject* pRom : Roms()) {
        pRom->UpdateCheckBox(bDeviceOpen);
    }
}

bool CFirmwareUpdate::AnySelected() const {
    return IsSelected(m_romFlash) || IsSelected(m_romHost) || IsSelected(m_romUI78K) ||
           IsSelected(m_romUIRSC);
}

UpdatePlan CFirmwareUpdate::Plan() const {
    UpdatePlan plan;
    plan.bConfirmationNeeded = !AnySelected();
    // The order Run writes them in.
    for (const CRomObject* pRom :
         {static_cast<const CRomObject*>(&m_romHost), static_cast<const CRomObject*>(&m_romFlash),
          static_cast<const CRomObject*>(&m_romUIRSC),
          static_cast<const CRomObject*>(&m_romUI78K)}) {
        if (plan.bConfirmationNeeded ? pRom->IsLoaded() : IsSelected(*pRom)) {
            plan.memories.push_back(pRom);
        }
    }
    return plan;
}

bool CFirmwareUpdate::ConfirmSelection() {
    if (AnySelected()) {
        return true;
    }
    if (ShowMessage(IDS_CONFIRM_OVERWRITE, MB_KIND_QUESTION) != IDYES) {
        return false;
    }
    for (CRomObject* pRom : Writable()) {
        if (pRom->m_chkUpdate.HasWindow()) {
            pRom->m_chkUpdate.SetCheck(BST_CHECKED);
        }
        pRom->m_bUpdate = true;
    }
    return true;
}

UINT CFirmwareUpdate::CheckBeforeFirstWrite() {
    // Checks that refuse the update belong here, before the volumes: taking
    // a file system offline is already a change to the unit. Whatever front
    // end asked, a test image never reaches a real unit.
    auto selected = [this](const CRomObject& rom) { return IsSelected(rom) ? &rom : nullptr; };
    if (const UINT nRefused =
            RefuseTestImagesOnRealUnit(m_device, {selected(m_romHost), selected(m_romFlash),
                                                  selected(m_romUIRSC), selected(m_romUI78K)});
        nRefused != 0) {
        return nRefused;
    }
    if (!m_device.LockVolumes() && !m_options.bIgnoreLockDrivesError) {
        return IDS_ERR_DRIVE_IN_USE;
    }
    return 0;
}

void CFirmwareUpdate::ShowResult(const UpdateResult& result) {
    ShowMessage(result.nMessageId, result.Succeeded() ? MB_KIND_COMPLETION : MB_KIND_ERROR);
}

void CFirmwareUpdate::ClearSelection(CRomObject& rom) {
    if (rom.m_chkUpdate.HasWindow()) {
        rom.m_chkUpdate.SetCheck(BST_UNCHECKED);
    }
    rom.m_bUpdate = false;
}

}  // namespace rf
