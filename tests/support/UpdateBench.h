#pragma once

// A dialog over an emulated enclosure seen through a layer of injected
// faults, on its own virtual clock: opened once the device was read, then
// updated through its button, with the result message of each update kept.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "emulator/EmulatedDeviceSystem.h"
#include "emulator/EmulatedEnclosure.h"
#include "framework/MessageLoop.h"
#include "support/TestEnvironment.h"
#include "ui/ControlIds.h"
#include "ui/MainDlg.h"

namespace rf::test {

template <class TFaults>
class CUpdateBenchOf : public IMainDlgListener {
public:
    CUpdateBenchOf() = default;
    ~CUpdateBenchOf() override {
        if (dialog != nullptr) {
            dialog->SetListener(nullptr);
        }
    }
    CUpdateBenchOf(const CUpdateBenchOf&) = delete;
    CUpdateBenchOf& operator=(const CUpdateBenchOf&) = delete;

    // Makes the dialog and waits (on the virtual clock) until it has read
    // an enclosure, or the wait is over.
    void Open(std::uint64_t nWaitMilliseconds) {
        dialog = std::make_unique<CMainDlg>(faults);
        dialog->SetListener(this);
        dialog->Create();
        env.loop.RunUntil([this] { return bRefreshed; }, nWaitMilliseconds);
    }

    // The result message of one update, or nothing when it did not end
    // within nLimitMilliseconds.
    std::optional<UINT> Update(std::uint64_t nLimitMilliseconds) {
        const std::size_t nBefore = results.size();
        PostMessageTo(*dialog, WM_COMMAND, IDC_UPDATE, 0);
        env.loop.RunUntil([&] { return results.size() > nBefore; }, nLimitMilliseconds);
        if (results.size() == nBefore) {
            return std::nullopt;
        }
        return results[nBefore];
    }

    void OnDeviceRefreshed(bool bFound) override { bRefreshed = bRefreshed || bFound; }
    void OnUpdateHandled(UINT nMessageId) override { results.push_back(nMessageId); }

    CTestEnvironment env;  // first: the enclosure starts on its clock
    emu::CEmulatedDeviceSystem emulated;
    TFaults faults{emulated};
    std::shared_ptr<emu::CEmulatedEnclosure> enclosure;
    std::unique_ptr<CMainDlg> dialog;
    bool bRefreshed = false;
    std::vector<UINT> results;
};

}  // namespace rf::test
