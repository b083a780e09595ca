#include "update/FirmwareUpdate.h"

#include <algorithm>
#include <utility>

#include "base/Clock.h"
#include "base/CommandLine.h"
#include "device/FrontEndPump.h"
#include "framework/Messages.h"
#include "programming/UiLink.h"
#include "text/StringTable.h"

namespace rf {

namespace {

constexpr DWORD kWakeFrameDelayMilliseconds = 55;
constexpr int kWakeFrames = 3;

}  // namespace

UpdateOptions UpdateOptionsFrom(const CReflasherCommandLineInfo& info) {
    UpdateOptions options;
    options.bVendorMode = info.m_bEnableVendorMode;
    options.bAllProducts = info.m_bEnableAllProducts;
    options.bForceAmdRom = info.m_bForceAmdRom;
    options.bDisableResetUI = info.m_bDisableResetUI;
    options.bIgnoreLockDrivesError = info.m_bIgnoreLockDrivesError;
    options.bIgnoreMissingUnitName = info.m_bIgnoreMissingUnitName;
    options.strUIResourceFile = info.m_strUIResourceFile;
    return options;
}

bool UpdateResult::Succeeded() const {
    return nMessageId == IDS_UPDATE_COMPLETE || nMessageId == IDS_UPDATE_COMPLETE_POWER_CYCLE;
}

std::u16string UpdateResult::Text() const {
    std::u16string text = LoadResString(nMessageId);
    if (!strDetail.empty()) {
        text += u"\n\n" + strDetail;
    }
    return text;
}

bool CMessageBoxFrontEnd::Ask(UINT nQuestionId) {
    return ShowMessage(nQuestionId, MB_KIND_QUESTION) == IDYES;
}

void CMessageBoxFrontEnd::ShowResult(const UpdateResult& result) {
    CurrentMessageBoxes().Show(result.Text(), AppName(),
                               result.Succeeded() ? MB_KIND_COMPLETION : MB_KIND_ERROR);
}

CFirmwareUpdate::CFirmwareUpdate(IDeviceSystem& system, const UpdateOptions& options)
    : m_device(system),
      m_drops{{{*this, MemoryKind::Flash},
               {*this, MemoryKind::Host},
               {*this, MemoryKind::Ui},
               {*this, MemoryKind::Resource}}} {
    const std::array<CRomObject*, 4> writable = Writable();
    for (std::size_t i = 0; i < writable.size(); ++i) {
        writable[i]->m_editRomVersion.m_pTarget = &m_drops[i];
    }
    SetOptions(options);
}

void CFirmwareUpdate::SetOptions(const UpdateOptions& options) {
    m_options = options;
    m_device.m_bAllProducts = options.bAllProducts;
    m_device.m_bForceAmdRom = options.bForceAmdRom;
    for (CRomObject* pRom : Roms()) {
        pRom->m_bVendorMode = options.bVendorMode;
    }
}

std::array<CRomObject*, kMemoryCount> CFirmwareUpdate::Roms() {
    std::array<CRomObject*, kMemoryCount> roms{};
    for (std::size_t i = 0; i < roms.size(); ++i) {
        roms[i] = &RomOf(Memories()[i].kind);
    }
    return roms;
}

std::array<CRomObject*, kImageMemoryCount> CFirmwareUpdate::Writable() {
    std::array<CRomObject*, kImageMemoryCount> roms{};
    std::size_t nCount = 0;
    for (const MemoryKindInfo& memory : Memories()) {
        if (HasImage(memory)) {
            roms[nCount++] = &RomOf(memory.kind);
        }
    }
    return roms;
}

CRomObject& CFirmwareUpdate::RomOf(MemoryKind kind) {
    return const_cast<CRomObject&>(std::as_const(*this).RomOf(kind));
}

const CRomObject& CFirmwareUpdate::RomOf(MemoryKind kind) const {
    switch (kind) {
        case MemoryKind::Flash:
            return m_romFlash;
        case MemoryKind::Host:
            return m_romHost;
        case MemoryKind::Cpu:
            return m_romCpu;
        case MemoryKind::Ui:
            return m_romUI78K;
        case MemoryKind::Resource:
            return m_romUIRSC;
    }
    return m_romFlash;  // not reached: every kind is named above
}

void CFirmwareUpdate::LoadOptionImages() {
    if (!m_options.strUIResourceFile.empty()) {
        LoadImageFile(MemoryKind::Resource, m_options.strUIResourceFile);
    }
}

bool CFirmwareUpdate::LoadImageFile(MemoryKind kind, const std::u16string& strPath) {
    if (m_bRunUnderWay) {
        return false;
    }
    CRomObject& rom = RomOf(kind);
    return rom.LoadFile(strPath.c_str()) && rom.IsLoaded();
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
    m_device.SetUiMode(UiModeNumber(UiMode::Normal));
    SleepPumping(kModeSwitchMilliseconds);
    m_device.SetUiMode(UiModeNumber(UiMode::Boot));
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

void CFirmwareUpdate::ReadVersions(IProgress* pProgress) {
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
    m_romUI78K.m_eInfoBlock = InfoBlockRead::NotAsked;
    m_romUIRSC.m_bUpdateLocked = true;
    for (CRomObject* pRom : Roms()) {
        pRom->m_strDeviceVersion.clear();
        Select(*pRom, false);
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

void CFirmwareUpdate::Select(CRomObject& rom, bool bSelected) {
    rom.m_bUpdate = bSelected;
    if (rom.m_pOwner != nullptr && rom.m_chkUpdate.HasWindow()) {
        rom.m_chkUpdate.SetCheck(bSelected ? BST_CHECKED : BST_UNCHECKED);
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

bool CFirmwareUpdate::ConfirmSelection(IUpdateFrontEnd& frontEnd) {
    if (AnySelected()) {
        return true;
    }
    if (!frontEnd.Ask(IDS_CONFIRM_OVERWRITE)) {
        return false;
    }
    for (CRomObject* pRom : Writable()) {
        Select(*pRom, true);
    }
    return true;
}

void CFirmwareUpdate::ClearSelection(CRomObject& rom) {
    Select(rom, false);
}

UpdateResult CFirmwareUpdate::RunChecked(IProgress* pProgress, IUpdateFrontEnd& frontEnd) {
    // From the question on, the run owns the device: a search of the front
    // end must neither close it nor open another drive into it.
    struct CUnderWay {
        explicit CUnderWay(bool& bFlag) : m_bFlag(bFlag) { m_bFlag = true; }
        ~CUnderWay() { m_bFlag = false; }
        bool& m_bFlag;
    } underWay(m_bRunUnderWay);

    if (!ConfirmSelection(frontEnd)) {
        return UpdateResult{};
    }
    UpdateResult result = CheckBeforeFirstWrite();
    if (result.eOutcome == UpdateOutcome::Refused) {
        frontEnd.ShowResult(result);
        return result;
    }
    frontEnd.OnRunStarting();
    result = Run(pProgress, frontEnd);
    frontEnd.ShowResult(result);
    return result;
}

}  // namespace rf
