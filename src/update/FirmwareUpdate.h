#pragma once

// One update of one enclosure, without a window: the device, the five image
// objects, the options the update reads and the memories selected. Reading
// the unit, telling what would be written, checking before the first write
// and writing are separate steps, so that a caller can stop after any of
// them. The dialogs call it from their button; the terminal front end calls
// it directly. It shows no window and touches controls only through the
// image objects' own check boxes, which exist without a window.

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Types.h"
#include "device/ScsiDevice.h"
#include "images/RomFlash.h"
#include "images/RomSeeprom.h"
#include "images/RomUi.h"

namespace rf {

class CProgressCtrl;
class CReflasherCommandLineInfo;

// What the update reads of the start-up options.
struct UpdateOptions {
    bool bDisableResetUI = false;
    bool bIgnoreLockDrivesError = false;
    std::u16string strUIResourceFile;  // replaces the carried resource data when set
    // Where the unit's own data is kept over the UI firmware's erase; empty
    // for the journal in the user's state directory. A rehearsal on an
    // emulated twin keeps its own, so that it never touches the unit's.
    std::filesystem::path journalDirectory;
};

UpdateOptions UpdateOptionsFrom(const CReflasherCommandLineInfo& info);

// What a run would write, in the order it writes it.
struct UpdatePlan {
    // Nothing is selected: message 153 asks first, and Yes selects all four.
    bool bConfirmationNeeded = false;
    std::vector<const CRomObject*> memories;
};

struct UpdateResult {
    UINT nMessageId = 0;  // 140 or 155 when every stage was done, else the failure's message
    bool bWasRomMode = false;

    bool Succeeded() const;
};

// Where a run reports its stages: the status text of each, by string id.
class IUpdateStatusSink {
public:
    virtual void OnStatus(UINT nTextId) = 0;

protected:
    ~IUpdateStatusSink() = default;
};

class CFirmwareUpdate {
public:
    explicit CFirmwareUpdate(IDeviceSystem& system);
    CFirmwareUpdate(const CFirmwareUpdate&) = delete;
    CFirmwareUpdate& operator=(const CFirmwareUpdate&) = delete;

    // The image files the options name, loaded over the carried images.
    void LoadOptionImages();
    // Each image's version text, or the read error of an image not held.
    void RefreshImages();

    // Reading a unit the device search has opened, in two steps so that a
    // window can show the unit's name between them. WakeUnit switches a UI
    // controller that waits to be switched; false when the unit went away
    // meanwhile (a search run by the pump closed it). ReadVersions reads
    // every memory's version.
    bool WakeUnit();
    void ReadVersions(CProgressCtrl* pProgress);
    bool ReadUnit(CProgressCtrl* pProgress) {
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

    bool IsSelected(const CRomObject& rom) const { return rom.IsUpdateChecked(); }
    bool AnySelected() const;
    // What Run would write now, and whether message 153 must ask first.
    UpdatePlan Plan() const;
    // Asks message 153 when nothing is selected; Yes selects all four
    // memories, loaded or not. False when the update is not to go on.
    bool ConfirmSelection();
    // Everything that must hold before the first command that changes the
    // unit: its volumes free (message 907, unless the options ignore it).
    // 0 to go on, else the message to show; nothing was written either way.
    UINT CheckBeforeFirstWrite();
    // Writes and verifies the selected memories in their fixed order, then
    // restarts the bridge and closes the device. Shows no message.
    UpdateResult Run(CProgressCtrl* pProgress, IUpdateStatusSink& status);
    // The message box of a run's result.
    static void ShowResult(const UpdateResult& result);

    // The five memories in the order they are read and shown.
    std::array<CRomObject*, 5> Roms();
    // The four the update writes.
    std::array<CRomObject*, 4> Writable();

    UpdateOptions m_options;
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

    std::array<ReadFault, 5> m_readFaults;  // in the order of Roms()

    void WakeUiController();
    // A mode switch of the UI controller that the bridge took and accepted.
    bool SwitchUiMode(int nMode);
    // Normal mode, then nMode, with their waits; false when a switch failed.
    bool EnterUiMode(int nMode, DWORD nSettleMilliseconds);
    void ClearSelection(CRomObject& rom);
    // The stages of Run; each returns 0 or the message of its failure.
    UINT UpdateHost(CProgressCtrl* pProgress, IUpdateStatusSink& status);
    UINT UpdateFlashRom(CProgressCtrl* pProgress, IUpdateStatusSink& status);
    UINT UpdateResource(CProgressCtrl* pProgress, IUpdateStatusSink& status, bool bPreUpdate);
    UINT UpdateUiFirmware(CProgressCtrl* pProgress, IUpdateStatusSink& status);
};

}  // namespace rf
