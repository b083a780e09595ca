#pragma once

// A dialog of the updater, run headless against emulated enclosures, with
// its trace, its message boxes and the results of its update command.

#include <memory>
#include <optional>
#include <string>

#include "device/TracingDeviceSystem.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "emulator/UiController.h"
#include "support/FaultyDeviceSystem.h"
#include "support/TestEnvironment.h"
#include "ui/MainDlg.h"

namespace rf::test {

class CDialogFixture : public IMainDlgListener {
public:
    CDialogFixture();
    ~CDialogFixture() override;

    // An enclosure made from a named starting point, attached as sdb.
    std::shared_ptr<emu::CEmulatedEnclosure> Attach(const std::string& strPreset,
                                                    const std::u16string& path = u"sdb");
    // Makes the full or the user dialog and opens it; runs its loop until the
    // device (if any) has been read.
    CMainDlg& OpenDialog(bool bVendor);
    // Runs the loop for this long of clock time.
    void RunFor(std::uint64_t nMilliseconds);
    // Presses the update button and runs until the command was handled; the
    // result message, 0 when nothing was written.
    UINT Update();

    emu::CEmulatedUiController& Controller() { return *emu::FittedUiController(*enclosure); }
    std::vector<TraceEntry> trace;

    void OnDeviceRefreshed(bool bFound) override;
    void OnUpdateHandled(UINT nMessageId) override;

    CTestEnvironment env;
    emu::CEmulatedDeviceSystem emulated;
    CFaultyDeviceSystem faulty{emulated};
    CTracingDeviceSystem tracing{faulty};
    std::shared_ptr<emu::CEmulatedEnclosure> enclosure;
    std::unique_ptr<CMainDlg> dialog;
    std::u16string unitName;  // the unit the dialog is for (/Device=NAME); empty: the first
    int nRefreshes = 0;
    bool bLastFound = false;
    std::vector<UINT> results;
};

}  // namespace rf::test
