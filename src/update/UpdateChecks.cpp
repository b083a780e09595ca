// The checks an update makes before it changes anything, and the unit a run
// is bound to. A refusal here costs the person nothing: no memory of the
// unit, no file system and no file of the computer has been touched.

#include <algorithm>
#include <string>

#include "base/FilePath.h"
#include "base/Text.h"
#include "device/FlashRomCheck.h"
#include "images/ImageOrigin.h"
#include "images/UnitJournal.h"
#include "programming/SpiFlash.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

UINT MemoryNameId(MemoryKind kind) {
    return MemoryKindOf(kind).nNameId;
}

namespace {

std::u16string ImageFaultText(MemoryKind kind, ImageFault fault) {
    switch (fault) {
        case ImageFault::None:
            break;
        case ImageFault::TooShort:
            return LoadResString(IDS_IMAGE_TOO_SHORT);
        case ImageFault::NoMark:
            return LoadResString(IDS_IMAGE_NO_MARK) + u"\"" + Widen(ImageMark(kind)) + u"\"";
        case ImageFault::BadChecksum:
            return LoadResString(IDS_IMAGE_BAD_CHECKSUM);
    }
    return {};
}

UpdateResult Refusal(UINT nMessageId, std::u16string strDetail = {}) {
    UpdateResult result;
    result.nMessageId = nMessageId;
    result.strDetail = std::move(strDetail);
    result.eOutcome = UpdateOutcome::Refused;
    return result;
}

// A refusal because a directory the run writes cannot be written; none
// when it can.
UpdateResult RefuseUnwritable(const std::filesystem::path& directory) {
    std::string strReason;
    if (CanWriteInDirectory(directory, strReason)) {
        return UpdateResult{};
    }
    return Refusal(IDS_ERR_DIRECTORY_NOT_WRITABLE,
                   Utf8ToUtf16(PathToUtf8(directory) + ": " + strReason));
}

std::u16string ImageSizeRefusalDetail(MemoryKind kind, std::size_t nSize, std::size_t nCapacity) {
    return LoadResString(MemoryNameId(kind)) + u": " +
           FillPlaceholders(LoadResString(IDS_IMAGE_SIZE),
                            {Widen(std::to_string(nSize)), Widen(std::to_string(nCapacity))});
}

}  // namespace

UpdateResult CFirmwareUpdate::RefuseResourceForChip() const {
    const SpiFlashChipInfo* pChip = m_device.m_pSpiFlashChip;
    if (pChip == nullptr || m_romUIRSC.m_nDataSize <= pChip->dwSize) {
        return UpdateResult{};
    }
    return Refusal(
        IDS_ERR_IMAGE_TOO_LARGE,
        ImageSizeRefusalDetail(MemoryKind::Resource, m_romUIRSC.m_nDataSize, pChip->dwSize));
}

UpdateResult CFirmwareUpdate::CheckRefusals() {
    // The unit the checks are made on is the one a run is bound to.
    m_runUnit = IdentifyRunUnit();
    // What the run would write: the selection, or with nothing selected
    // what Yes to the question selects.
    const UpdatePlan plan = Plan();
    auto selected = [this, &plan](MemoryKind kind) -> const CRomObject* {
        const CRomObject* pRom = &RomOf(kind);
        return std::find(plan.memories.begin(), plan.memories.end(), pRom) != plan.memories.end()
                   ? pRom
                   : nullptr;
    };
    // Whatever front end asked, a test image never reaches a real unit.
    if (const UINT nRefused = RefuseTestImagesOnRealUnit(
            m_device, {selected(MemoryKind::Host), selected(MemoryKind::Flash),
                       selected(MemoryKind::Resource), selected(MemoryKind::Ui)});
        nRefused != 0) {
        return Refusal(nRefused);
    }
    // Contents that are not an image of the memory would be marked valid
    // by the run's last step; in every mode they are refused here.
    // In the order the run writes them.
    for (const MemoryKindInfo& memory : MemoryKinds()) {
        const MemoryKind kind = memory.kind;
        const CRomObject* pRom = selected(kind);
        if (pRom == nullptr) {
            continue;
        }
        const std::span<const BYTE> image(pRom->m_pData.get(), pRom->m_nDataSize);
        if (const ImageFault fault = CheckImage(kind, image); fault != ImageFault::None) {
            return Refusal(IDS_ERR_IMAGE_NOT_VALID,
                           LoadResString(memory.nNameId) + u": " + ImageFaultText(kind, fault));
        }
        const UINT nLargest = memory.nLargestImage;
        if (pRom->m_nDataSize > nLargest) {
            return Refusal(IDS_ERR_IMAGE_TOO_LARGE,
                           ImageSizeRefusalDetail(kind, pRom->m_nDataSize, nLargest));
        }
        // The SPI flash is identified inside the run, which checks the size
        // again before its erase; a chip already known is checked here.
        if (kind == MemoryKind::Resource) {
            if (UpdateResult refused = RefuseResourceForChip();
                refused.eOutcome == UpdateOutcome::Refused) {
                return refused;
            }
        }
    }
    // The FLASH-ROM's chip and link: its size, and for a page-write chip
    // the timed reads that tell whether this link is fast enough.
    if (selected(MemoryKind::Flash) != nullptr) {
        if (const UINT nRefused = CheckFlashRomWrite(m_device, m_romFlash.m_nDataSize);
            nRefused != 0) {
            // Reads that failed because the unit went away are no verdict
            // on its link.
            return Refusal(IsRunUnitAttached() ? nRefused : IDS_ERR_UNIT_GONE);
        }
    }
    // The unit's name goes into the UI firmware it is given; a name that is
    // not known stops the run before anything else is written.
    if (selected(MemoryKind::Ui) != nullptr) {
        const CUnitJournal journal = Journal();
        const UiInfoBlockChoice choice =
            ChooseUiInfoBlock(journal, m_romCpu, m_romUI78K, m_options.bIgnoreMissingUnitName);
        if (choice.nRefusal != 0) {
            return Refusal(choice.nRefusal, choice.nRefusal == IDS_ERR_UNIT_NAME_NOT_KEPT
                                                ? Utf8ToUtf16(PathToUtf8(journal.Directory()))
                                                : std::u16string());
        }
        if (choice.bKeep) {
            if (UpdateResult refused = RefuseUnwritable(journal.Directory());
                refused.eOutcome == UpdateOutcome::Refused) {
                return refused;
            }
        }
    }
    // The emulated enclosure's state is saved once the run is over; a run
    // whose end could not be kept must not begin.
    if (!m_options.stateDirectory.empty()) {
        if (UpdateResult refused = RefuseUnwritable(m_options.stateDirectory);
            refused.eOutcome == UpdateOutcome::Refused) {
            return refused;
        }
    }
    return UpdateResult{};
}

UpdateResult CFirmwareUpdate::CheckBeforeFirstWrite() {
    UpdateResult result = CheckRefusals();
    if (result.eOutcome == UpdateOutcome::Refused) {
        return result;
    }
    // Taking the file systems offline is already a change to the unit, so
    // it comes after every refusal.
    if (!m_device.LockVolumes() && !m_options.bIgnoreLockDrivesError) {
        // A disk the system no longer knows is not in use: it went away.
        return Refusal(IsRunUnitAttached() ? IDS_ERR_DRIVE_IN_USE : IDS_ERR_UNIT_GONE);
    }
    return result;
}

CUnitJournal CFirmwareUpdate::Journal() const {
    return m_options.journalDirectory.empty() ? CUnitJournal()
                                              : CUnitJournal(m_options.journalDirectory);
}

UnitIdentity CFirmwareUpdate::IdentifyRunUnit() const {
    UnitIdentity unit;
    unit.strPath = m_device.m_strPath;
    unit.strProductName = m_device.m_strProductName;
    unit.strRevision = m_device.m_strRevision;
    unit.strSerial = m_romCpu.m_strSerialNo;
    for (const PhysicalDrive& drive : m_device.System().ListPhysicalDrives()) {
        if (drive.strPath == unit.strPath) {
            unit.bListedInquiry = drive.bInquiryKnown;
            unit.strListedVendor = drive.strVendor;
            unit.strListedProduct = drive.strProduct;
        }
    }
    return unit;
}

bool CFirmwareUpdate::IsRunUnitAttached() const {
    // Asked of the system's list, never of a drive: a drive that took the
    // unit's place is not sent a command.
    for (const PhysicalDrive& drive : m_device.System().ListPhysicalDrives()) {
        if (drive.strPath != m_runUnit.strPath) {
            continue;
        }
        return !(drive.bInquiryKnown && m_runUnit.bListedInquiry) ||
               (drive.strVendor == m_runUnit.strListedVendor &&
                drive.strProduct == m_runUnit.strListedProduct);
    }
    return false;
}

}  // namespace rf
