#pragma once

// One update of one enclosure, without a window: the device, the five image
// objects, the options the update was given and the memories selected.
// Reading the unit, telling what would be written, checking before the
// first write and writing are separate steps, so that a caller can stop
// after any of them; RunChecked does them all in order, as the dialogs'
// button and the terminal's update command both want. The object asks its
// questions and tells its results through the front end it is handed, and
// touches controls only through the image objects' check boxes, which
// exist without a window.

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Types.h"
#include "device/BridgeCommands.h"
#include "device/ScsiDevice.h"
#include "firmware/ImageKinds.h"
#include "framework/FileDropTarget.h"
#include "images/RomFlash.h"
#include "images/RomSeeprom.h"
#include "images/RomUi.h"
#include "images/UnitJournal.h"
#include "update/UpdateOptions.h"

namespace rf {

// The id of the name tables and messages give a memory kind.
UINT MemoryNameId(MemoryKind kind);

class IProgress;

// What a run would write, in the order it writes it.
struct UpdatePlan {
    // Nothing is selected: message 153 asks first, and Yes selects all four.
    bool bConfirmationNeeded = false;
    std::vector<const CRomObject*> memories;
};

// How far an update came.
enum class UpdateOutcome {
    NotRun,   // the person declined, or nothing was asked of it
    Refused,  // a check before the first write said no; nothing was changed
    Ran,      // the memories were written (or a stage failed); the device is closed
};

struct UpdateResult {
    UINT nMessageId = 0;  // 140 or 155 when every stage was done, else the failure's message
    // What the message is about, shown after its text: the memory and the
    // reason of a refused image, the directory and the system's reason.
    std::u16string strDetail;
    bool bWasRomMode = false;
    UpdateOutcome eOutcome = UpdateOutcome::NotRun;

    bool Succeeded() const;
    // The message's text with its detail, as a message box shows it.
    std::u16string Text() const;
};

// Where a run reports its stages: the status text of each, by string id.
class IUpdateStatusSink {
public:
    virtual void OnStatus(UINT nTextId) = 0;

protected:
    ~IUpdateStatusSink() = default;
};

// What the update needs of the front end that runs it: its questions
// answered, its stages and its result shown, and word of the stretch in
// which nothing may cut it short.
class IUpdateFrontEnd : public IUpdateStatusSink {
public:
    // A question by string id; true for Yes.
    virtual bool Ask(UINT nQuestionId) = 0;
    // A refusal or the result of a run. After a run the device is closed.
    virtual void ShowResult(const UpdateResult& result) = 0;
    // Every check passed and the first change to the unit comes next. From
    // here until RunChecked returns, the run must end by itself: a
    // keystroke or a closed terminal must not end the process.
    virtual void OnRunStarting() {}

protected:
    ~IUpdateFrontEnd() = default;
};

// The questions and results in message boxes, as the dialogs have always
// shown them and the terminal prints them.
class CMessageBoxFrontEnd : public IUpdateFrontEnd {
public:
    bool Ask(UINT nQuestionId) override;
    void ShowResult(const UpdateResult& result) override;

protected:
    ~CMessageBoxFrontEnd() = default;
};

// The unit a run is bound to, recorded as the run begins.
struct UnitIdentity {
    std::u16string strPath;         // what the drive list names it by
    std::u16string strProductName;  // INQUIRY vendor and product
    std::u16string strRevision;
    std::u16string strSerial;  // SEEPROM(CPU)'s serial number; empty when unreadable
    // INQUIRY vendor and product as the system lists them, when it does.
    bool bListedInquiry = false;
    std::string strListedVendor;
    std::string strListedProduct;
};

class CFirmwareUpdate {
public:
    explicit CFirmwareUpdate(IDeviceSystem& system, const UpdateOptions& options = {});
    CFirmwareUpdate(const CFirmwareUpdate&) = delete;
    CFirmwareUpdate& operator=(const CFirmwareUpdate&) = delete;

    // The options of every later step; also what the device search and the
    // image texts follow (the product table, vendor mode).
    void SetOptions(const UpdateOptions& options);
    const UpdateOptions& Options() const { return m_options; }
    // Where the unit's own data is kept over the UI firmware's erase.
    CUnitJournal Journal() const;

    // The image files the options name, loaded over the carried images.
    void LoadOptionImages();
    // Replaces a memory's image with a file's contents, as a drop on its
    // field does (drops come here). False when no image of the file is held
    // afterwards, and always while a run is under way: the run writes what
    // it checked.
    bool LoadImageFile(MemoryKind kind, const std::u16string& strPath);
    // Each image's version text, or the read error of an image not held.
    void RefreshImages();

    // Reading a unit the device search has opened, in two steps so that a
    // window can show the unit's name between them. WakeUnit switches a UI
    // controller that waits to be switched; false when the unit went away
    // meanwhile (a search run by the pump closed it). ReadVersions reads
    // every memory's version.
    bool WakeUnit();
    void ReadVersions(IProgress* pProgress);
    bool ReadUnit(IProgress* pProgress) {
        if (!WakeUnit()) {
            return false;
        }
        ReadVersions(pProgress);
        return true;
    }
    // Drops everything read of a unit that has gone, selections included.
    void ForgetUnit();
    // Selects each memory whose image is newer than the unit's, and labels
    // its check box.
    void RefreshSelection();

    // The first chunk of the unit's memory that did not come whole while
    // its version was read; the version shown may then be wrong.
    const ReadFault& ReadFaultOf(const CRomObject& rom) const;

    // The selection is the update's own: a dialog's check boxes show it and
    // set it through Select, the terminal sets it directly. Only a held
    // image counts as selected.
    bool IsSelected(const CRomObject& rom) const { return rom.IsUpdateChecked(); }
    void Select(CRomObject& rom, bool bSelected);
    bool AnySelected() const;
    // What Run would write now, and whether message 153 must ask first.
    UpdatePlan Plan() const;
    // Asks message 153 when nothing is selected; Yes selects all four
    // memories, loaded or not. False when the update is not to go on.
    bool ConfirmSelection(IUpdateFrontEnd& frontEnd);

    // Every refusal of what the run would write (the selection, or what Yes
    // to the question selects) that can be made before anything of
    // the unit or of the computer changes: test images on a real unit,
    // images that are not of their kind or larger than their memory, a
    // FLASH-ROM this link cannot write (with the timed reads that tell),
    // the unit's name that could not be read or kept, and the directories
    // the run will write. Sends reads only; the plan makes the same checks.
    // Outcome Refused with its message, else NotRun with none.
    UpdateResult CheckRefusals();
    // CheckRefusals, then the unit's volumes taken offline (message 907,
    // unless the options ignore it): the last step before the first write.
    UpdateResult CheckBeforeFirstWrite();
    // Writes and verifies the selected memories in their fixed order, then
    // restarts the bridge and closes the device. Shows no message. A unit
    // that goes away ends the run with message IDS_ERR_UNIT_GONE; no other
    // drive is ever opened by it.
    UpdateResult Run(IProgress* pProgress, IUpdateStatusSink& status);
    // Confirmation, checks, run and result, for the dialogs and the
    // terminal alike. The result is told through the front end, and
    // returned.
    UpdateResult RunChecked(IProgress* pProgress, IUpdateFrontEnd& frontEnd);
    // True from the start of RunChecked to its end: a front end's device
    // search must then leave the device alone.
    bool IsRunUnderWay() const { return m_bRunUnderWay; }
    // The unit the last run was bound to.
    const UnitIdentity& RunUnit() const { return m_runUnit; }

    // The five memories in the order they are read and shown.
    std::array<CRomObject*, kMemoryCount> Roms();
    // Those the update writes, in the same order.
    std::array<CRomObject*, kImageMemoryCount> Writable();
    CRomObject& RomOf(MemoryKind kind);
    const CRomObject& RomOf(MemoryKind kind) const;

    CRom_Flash m_romFlash;
    CRom_Host m_romHost;
    CRom_Cpu m_romCpu;
    CRom_UI78K m_romUI78K;
    CRom_UIRSC m_romUIRSC;
    CScsiDevice m_device;
    // The front panel's state as the unit was found, before it was woken.
    UiState m_eUiStateFound = UI_STATE_NO_ANSWER;

private:
    // How long the UI controller takes to restart in a mode it was switched to.
    static constexpr DWORD kModeSwitchMilliseconds = 2000;

    // A drop on an image field, taken as a load of that memory's file.
    class CImageDrop final : public IFileDropTarget {
    public:
        CImageDrop(CFirmwareUpdate& update, MemoryKind kind) : m_update(update), m_kind(kind) {}
        bool LoadFile(const char16_t* pszPath) override {
            return pszPath != nullptr && m_update.LoadImageFile(m_kind, pszPath);
        }

    private:
        CFirmwareUpdate& m_update;
        MemoryKind m_kind;
    };

    UpdateOptions m_options;
    std::array<ReadFault, 5> m_readFaults;  // in the order of Roms()
    std::array<CImageDrop, 4> m_drops;
    bool m_bRunUnderWay = false;
    UnitIdentity m_runUnit;

    void WakeUiController();
    // A mode switch of the UI controller that the bridge took and accepted.
    bool SwitchUiMode(UiMode mode);
    // Normal mode, then nMode, with their waits; false when a switch failed.
    bool EnterUiMode(UiMode mode, DWORD nSettleMilliseconds);
    void ClearSelection(CRomObject& rom);
    // The unit the device is open on, as the run begins.
    UnitIdentity IdentifyRunUnit() const;
    // Whether the drive list still holds the run's unit.
    bool IsRunUnitAttached() const;
    // The resource image against the SPI flash chip, once it is known.
    UpdateResult RefuseResourceForChip() const;
    // The stages of Run; each returns 0 or the message of its failure.
    UINT UpdateHost(IProgress* pProgress, IUpdateStatusSink& status);
    UINT UpdateFlashRom(IProgress* pProgress, IUpdateStatusSink& status);
    UINT UpdateResource(IProgress* pProgress, IUpdateStatusSink& status, bool bPreUpdate,
                        UpdateResult& result);
    UINT UpdateUiFirmware(IProgress* pProgress, IUpdateStatusSink& status, UpdateResult& result);
};

}  // namespace rf
