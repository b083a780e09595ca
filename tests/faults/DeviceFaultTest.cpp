// An enclosure that answers badly at one command of an update, for every
// kind of bad answer and every operation of the update: the run must end
// with the message of the stage (or complete, with every memory verified)
// in bounded time, never hang, and never call a write done that was not
// verified. Run with --gtest_also_run_disabled_tests to see the table of
// what each fault led to.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iomanip>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "base/Text.h"
#include "emulation/EmulatorPresets.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "emulator/UiController.h"
#include "firmware/FirmwareImages.h"
#include "support/TestEnvironment.h"
#include "support/UpdateBench.h"
#include "text/StringTable.h"
#include "ui/ControlIds.h"
#include "ui/MainDlg.h"

namespace rf::test {
namespace {

constexpr char16_t kPath[] = u"sdb";
// Far beyond any stage's own bounded waits (the longest is the SPI chip
// erase's two minutes); an update still running then has hung.
constexpr std::uint64_t kRunLimitMilliseconds = 30 * 60 * 1000;

enum class Fault {
    RequestFails,    // not delivered, on every attempt of the transport
    CheckCondition,  // the bridge refuses the command
    ShortTransfer,   // half the data moves
    BadChecksum,     // a link frame read with a wrong checksum
    WrongLength,     // a link frame read whose LEN is off by one
    NoAnswer,        // the controller's answer never comes
    NotAck,          // the answer says NAK where ACK belongs
    DriveVanishes,   // the enclosure is unplugged at this command
};
constexpr Fault kFaults[] = {Fault::RequestFails, Fault::CheckCondition, Fault::ShortTransfer,
                             Fault::BadChecksum,  Fault::WrongLength,    Fault::NoAnswer,
                             Fault::NotAck,       Fault::DriveVanishes};
const char* FaultName(Fault fault) {
    switch (fault) {
        case Fault::RequestFails:
            return "request fails";
        case Fault::CheckCondition:
            return "CHECK CONDITION";
        case Fault::ShortTransfer:
            return "short transfer";
        case Fault::BadChecksum:
            return "bad checksum";
        case Fault::WrongLength:
            return "wrong LEN";
        case Fault::NoAnswer:
            return "no answer";
        case Fault::NotAck:
            return "NAK";
        case Fault::DriveVanishes:
            return "drive vanishes";
    }
    return "?";
}

bool IsLinkRead(const ScsiRequest& r) {
    return r.Cdb[0] == 0xFA && (r.Cdb[1] == 0x11 || r.Cdb[1] == 0x12);
}
bool IsLinkWrite(const ScsiRequest& r) {
    return r.Cdb[0] == 0xFA && r.Cdb[1] == 0x10;
}
bool IsLink(const ScsiRequest& r) {
    return IsLinkRead(r) || IsLinkWrite(r);
}
bool IsMode(const ScsiRequest& r, BYTE nMode) {
    return r.Cdb[0] == 0xFA && r.Cdb[1] == nMode && r.DataTransferLength == 0;
}
bool Carries(const ScsiRequest& r, std::string_view text) {
    return r.DataIn == 0 && r.DataBuffer != nullptr &&
           std::search(r.DataBuffer, r.DataBuffer + r.DataTransferLength, text.begin(), text.end(),
                       [](BYTE a, char b) { return a == static_cast<BYTE>(b); }) !=
               r.DataBuffer + r.DataTransferLength;
}

// A drive system whose handles let a test spoil one command's answer.
class CBadAnswers final : public IDeviceSystem {
public:
    explicit CBadAnswers(emu::CEmulatedDeviceSystem& inner) : m_inner(inner) {}

    // Asked before every attempt; returns the fault to apply, if any.
    std::function<std::optional<Fault>(const ScsiRequest&)> decide;
    emu::CEmulatedEnclosure* pEnclosure = nullptr;

    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override;
    std::vector<PhysicalDrive> ListPhysicalDrives() override {
        return m_inner.ListPhysicalDrives();
    }
    bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) override {
        return m_inner.PrepareVolumes(disk, report);
    }

    int nFailingAttempts = 0;
    emu::CEmulatedDeviceSystem& m_inner;
};

class CBadHandle final : public IDeviceHandle {
public:
    CBadHandle(std::unique_ptr<IDeviceHandle> pInner, CBadAnswers& system)
        : m_pInner(std::move(pInner)), m_system(system) {}

    bool SendScsi(ScsiRequest& request) override {
        if (m_system.nFailingAttempts > 0) {
            --m_system.nFailingAttempts;
            return false;
        }
        const std::optional<Fault> fault =
            m_system.decide ? m_system.decide(request) : std::nullopt;
        if (!fault) {
            return m_pInner->SendScsi(request);
        }
        emu::CEmulatedEnclosure& enclosure = *m_system.pEnclosure;
        auto linkFault = [&](emu::FaultKind kind) {
            enclosure.AddFault(emu::Fault{enclosure.NextCommandIndex(), kind, 0});
            return m_pInner->SendScsi(request);
        };
        switch (*fault) {
            case Fault::RequestFails:
                m_system.nFailingAttempts = 5;
                return false;
            case Fault::CheckCondition:
                request.ScsiStatus = 0x02;
                request.SenseInfoLength = 0;
                request.DataTransferLength = 0;
                return true;
            case Fault::ShortTransfer: {
                const UINT nAsked = request.DataTransferLength;
                if (request.DataIn == 0) {
                    request.DataTransferLength = nAsked / 2;
                    return m_pInner->SendScsi(request);
                }
                const bool bDelivered = m_pInner->SendScsi(request);
                request.DataTransferLength = nAsked / 2;
                std::fill(request.DataBuffer + nAsked / 2, request.DataBuffer + nAsked, BYTE{0});
                return bDelivered;
            }
            case Fault::BadChecksum:
                return linkFault(emu::FaultKind::LinkBadChecksum);
            case Fault::NoAnswer:
                return linkFault(emu::FaultKind::LinkNoAnswer);
            case Fault::NotAck:
                return linkFault(emu::FaultKind::LinkNak);
            case Fault::WrongLength: {
                const bool bDelivered = m_pInner->SendScsi(request);
                // The byte after STX, or the first byte of the rest of a
                // status frame whose STX was read alone.
                const std::size_t nLen = request.DataBuffer[0] == 0x02 ? 1 : 0;
                if (request.DataTransferLength > nLen) {
                    request.DataBuffer[nLen] = static_cast<BYTE>(request.DataBuffer[nLen] + 1);
                }
                return bDelivered;
            }
            case Fault::DriveVanishes:
                enclosure.PowerOff();
                m_system.m_inner.Detach(kPath);
                return m_pInner->SendScsi(request);
        }
        return false;
    }
    bool QueryAdapter(StorageAdapterDescriptor& d) override { return m_pInner->QueryAdapter(d); }
    bool QueryDevice(StorageDeviceDescriptor& d) override { return m_pInner->QueryDevice(d); }
    bool GetScsiAddress(ScsiAddress& a) override { return m_pInner->GetScsiAddress(a); }
    bool GetDeviceNumber(StorageDeviceNumber& n) override { return m_pInner->GetDeviceNumber(n); }

private:
    std::unique_ptr<IDeviceHandle> m_pInner;
    CBadAnswers& m_system;
};

std::unique_ptr<IDeviceHandle> CBadAnswers::Open(const std::u16string& path) {
    std::unique_ptr<IDeviceHandle> pInner = m_inner.Open(path);
    return pInner == nullptr ? nullptr : std::make_unique<CBadHandle>(std::move(pInner), *this);
}

// One operation of an update: the n-th command that matches, counted from
// the moment its stage's status text shows (or, for the reads that fill the
// window, from the start).
struct Operation {
    const char* pszName;
    UINT nStage;  // status text id; 0: while the device is first read
    std::function<bool(const ScsiRequest&)> matches;
    int nNth;
    std::set<UINT> failures;  // the messages of this stage
};

const std::vector<Operation>& Operations() {
    auto op = [](BYTE nOp, BYTE nSub) {
        return [=](const ScsiRequest& r) { return r.Cdb[0] == nOp && r.Cdb[1] == nSub; };
    };
    const std::set<UINT> host = {IDS_ERR_WRITE_EEPROM, IDS_ERR_READ_EEPROM};
    const std::set<UINT> flash = {IDS_ERR_WRITE_FLASH_ROM};
    const std::set<UINT> spi = {IDS_ERR_RESOURCE_MODE, IDS_ERR_UNKNOWN_SPI_FLASH,
                                IDS_ERR_WRITE_SPIROM};
    const std::set<UINT> ui = {IDS_ERR_UI_FIRMWARE_MODE, IDS_ERR_WRITE_UI_FLASH};
    static const std::vector<Operation> operations = {
        {"INQUIRY", 0, [](const ScsiRequest& r) { return r.Cdb[0] == 0x12; }, 1, {}},
        {"FLASH version read", 0, op(0xFD, 0x01), 1, {}},
        {"SEEPROM(Host) version read", 0, op(0xFC, 0x01), 1, {}},
        {"SEEPROM(CPU) read", 0, op(0xFF, 0x01), 1, {}},
        {"UI link state", 0, op(0xFA, 0x00), 1, {}},
        {"UI version frame", 0, IsLinkWrite, 1, {}},
        {"UI version answer", 0, op(0xFA, 0x11), 1, {}},
        {"UI info block answer", 0, op(0xFA, 0x11), 2, {}},
        {"resource header answer", 0, op(0xFA, 0x11), 3, {}},
        {"SEEPROM(Host) write", IDS_UPDATING_SEEPROM_HOST, op(0xFC, 0x02), 1, host},
        {"SEEPROM(Host) read-back", IDS_CHECKING_SEEPROM_HOST, op(0xFC, 0x01), 1, host},
        {"SEEPROM(Host) header word", IDS_CHECKING_SEEPROM_HOST, op(0xFC, 0x02), 1, host},
        {"bridge image programming", IDS_UPDATING_FLASH_ROM,
         [](const ScsiRequest& r) { return r.Cdb[0] == 0xFE; }, 1, flash},
        {"FLASH read-back", IDS_UPDATING_FLASH_ROM, op(0xFD, 0x01), 100, flash},
        {"UI mode 1 before resource", IDS_UPDATING_SPIROM_UI,
         [](const ScsiRequest& r) { return IsMode(r, 1); }, 1, spi},
        {"UI mode 3", IDS_UPDATING_SPIROM_UI, [](const ScsiRequest& r) { return IsMode(r, 3); }, 1,
         spi},
        {"SPI identification", IDS_UPDATING_SPIROM_UI, IsLink, 4, spi},
        {"SPI erase status", IDS_UPDATING_SPIROM_UI, op(0xFA, 0x11), 8, spi},
        {"SPI page program", IDS_UPDATING_SPIROM_UI, IsLinkWrite, 400, spi},
        {"SPI program answer", IDS_UPDATING_SPIROM_UI, op(0xFA, 0x11), 400, spi},
        {"SPI verify read", IDS_CHECKING_SPIROM_UI, op(0xFA, 0x11), 50, spi},
        {"resource magic", IDS_CHECKING_SPIROM_UI,
         [](const ScsiRequest& r) { return Carries(r, "RESOURCE"); }, 1, spi},
        {"UI mode 4", IDS_CHECKING_SPIROM_UI, [](const ScsiRequest& r) { return IsMode(r, 4); }, 1,
         ui},
        {"boot reset frame", IDS_UPDATING_FLASH_ROM_UI, IsLinkWrite, 1, ui},
        {"boot erase status", IDS_UPDATING_FLASH_ROM_UI, op(0xFA, 0x12), 4, ui},
        {"boot program frame", IDS_UPDATING_FLASH_ROM_UI, IsLinkWrite, 100, ui},
        {"boot program status", IDS_UPDATING_FLASH_ROM_UI, op(0xFA, 0x12), 100, ui},
        {"boot security frame", IDS_UPDATING_FLASH_ROM_UI,
         [](const ScsiRequest& r) { return Carries(r, "\x01\x03\xA0"); }, 1, ui},
        {"boot verify frame", IDS_CHECKING_FLASH_ROM_UI, IsLinkWrite, 50, ui},
        {"boot verify status", IDS_CHECKING_FLASH_ROM_UI, op(0xFA, 0x12), 50, ui},
        {"bridge restart", IDS_CHECKING_FLASH_ROM_UI,
         [](const ScsiRequest& r) { return r.Cdb[0] == 0xFF && r.Cdb[2] == 0xFF; }, 1, ui},
    };
    return operations;
}

// Faults of the front panel's line hit its frames only; a wrong LEN and a
// NAK are things the controller says, so they need a frame read.
bool Applies(Fault fault, const Operation& operation) {
    const std::string strName = operation.pszName;
    auto named = [&](const char* pszWord) { return strName.find(pszWord) != std::string::npos; };
    const bool bLink = (named("UI") || named("SPI") || named("resource") || named("boot")) &&
                       !named("mode") && !named("state");
    const bool bRead =
        bLink && (named("answer") || named("status") || named("read") || named("identification"));
    switch (fault) {
        case Fault::BadChecksum:
        case Fault::NoAnswer:
            return bLink;
        case Fault::WrongLength:
        case Fault::NotAck:
            return bRead;
        case Fault::RequestFails:
        case Fault::CheckCondition:
        case Fault::ShortTransfer:
        case Fault::DriveVanishes:
            return true;
    }
    return false;
}

struct Outcome {
    bool bFired = false;
    bool bEnded = false;
    UINT nResult = 0;
    std::uint64_t nVirtualMilliseconds = 0;
    std::u16string strTexts;  // for the reads: the device texts shown
    std::string strViolation;
};

std::vector<BYTE> Carried(UINT nId) {
    const auto image = FindFirmwareImage(nId);
    return std::vector<BYTE>(image.begin(), image.end());
}

// What a device must hold when an update said it was complete.
std::string UnverifiedMemory(emu::CEmulatedEnclosure& enclosure) {
    enclosure.PowerOn();
    std::vector<BYTE> bridge = Carried(IDR_BRIDGE_FIRMWARE);
    bridge.resize(55296, 0xFF);
    bridge[0xD2] = enclosure.Flash().Contents()[0xD2];
    const auto& flash = enclosure.Flash().Contents();
    if (enclosure.IsRomMode() || !std::equal(bridge.begin(), bridge.end(), flash.begin())) {
        return "bridge FLASH-ROM";
    }
    const std::vector<BYTE> host = Carried(IDR_SEEPROM_HOST);
    if (!std::equal(host.begin(), host.end(), enclosure.HostEeprom().begin())) {
        return "SEEPROM(Host)";
    }
    const emu::CEmulatedUiController& ui = *emu::FittedUiController(enclosure);
    const std::vector<BYTE> resource = Carried(IDR_UI_RESOURCE);
    if (!std::equal(resource.begin(), resource.end(), ui.SpiFlash().Contents().begin())) {
        return "UI resource data";
    }
    if (!ui.ProgramFlash().bValid) {
        return "UI firmware";
    }
    return "";
}

class CFaultBench final : public CUpdateBenchOf<CBadAnswers> {
public:
    explicit CFaultBench(const std::string& strPreset,
                         const emu::NorChipModel* pStuckFlash = nullptr,
                         const emu::SpiChipModel* pStuckSpi = nullptr) {
        std::string strError;
        enclosure = MakeEmulatedEnclosure(strPreset, "", "", strError);
        if (pStuckFlash != nullptr || pStuckSpi != nullptr) {
            // The same enclosure with a part that never finishes its work.
            auto pStuck = std::make_shared<emu::CEmulatedEnclosure>(
                pStuckFlash != nullptr ? *pStuckFlash : enclosure->Flash().Model(),
                enclosure->Bus());
            pStuck->Flash().SetContents(enclosure->Flash().Contents());
            pStuck->HostEeprom() = enclosure->HostEeprom();
            pStuck->CpuEeprom() = enclosure->CpuEeprom();
            const emu::CEmulatedUiController& old = *emu::FittedUiController(*enclosure);
            emu::CEmulatedUiController& controller = emu::FitUiController(
                *pStuck, pStuckSpi != nullptr ? *pStuckSpi : old.SpiFlash().Model());
            controller.RestoreProgramFlash(old.ProgramFlash());
            controller.SpiFlash().SetContents(old.SpiFlash().Contents());
            pStuck->PowerOn();
            enclosure = pStuck;
        }
        enclosure->EnableTrace(false);
        faults.pEnclosure = enclosure.get();
        emulated.Attach(kPath, enclosure);
    }

    void Open() { CUpdateBenchOf::Open(10'000); }
    std::optional<UINT> Update() { return CUpdateBenchOf::Update(kRunLimitMilliseconds); }
    std::u16string DeviceTexts() const {
        return dialog->m_romFlash.m_strDeviceVersion + u" / " +
               dialog->m_romHost.m_strDeviceVersion + u" / " +
               dialog->m_romUI78K.m_strDeviceVersion + u" / " +
               dialog->m_romUIRSC.m_strDeviceVersion;
    }
};

Outcome RunFault(const Operation& operation, Fault fault) {
    Outcome outcome;
    CFaultBench bench("row1");
    std::u16string strStage;
    if (operation.nStage != 0) {
        LoadResString(strStage, operation.nStage);
    }
    bool bReading = operation.nStage == 0;
    int nSeen = 0;
    bench.faults.decide = [&](const ScsiRequest& request) -> std::optional<Fault> {
        const bool bInStage =
            bReading ||
            (bench.dialog != nullptr && bench.dialog->m_staticStatus.GetWindowText() == strStage);
        if (outcome.bFired || !bInStage || !operation.matches(request) ||
            ++nSeen != operation.nNth) {
            return std::nullopt;
        }
        outcome.bFired = true;
        return fault;
    };
    const std::uint64_t nStart = bench.env.clock.NowMicroseconds();
    bench.Open();
    if (bReading) {
        outcome.bEnded = true;
        outcome.strTexts = bench.DeviceTexts();
        outcome.nVirtualMilliseconds = (bench.env.clock.NowMicroseconds() - nStart) / 1000;
        bReading = false;
        return outcome;
    }
    const std::optional<UINT> result = bench.Update();
    outcome.nVirtualMilliseconds = (bench.env.clock.NowMicroseconds() - nStart) / 1000;
    outcome.bEnded = result.has_value();
    outcome.nResult = result.value_or(0);
    if (outcome.bEnded && (outcome.nResult == IDS_UPDATE_COMPLETE ||
                           outcome.nResult == IDS_UPDATE_COMPLETE_POWER_CYCLE)) {
        const std::string strMemory = UnverifiedMemory(*bench.enclosure);
        if (!strMemory.empty()) {
            outcome.strViolation =
                "complete, but " + strMemory + " does not hold the carried image";
        }
    } else if (outcome.bEnded && outcome.bFired && fault == Fault::DriveVanishes) {
        // Whatever stage it cut, a unit that went away says so.
        if (outcome.nResult != IDS_ERR_UNIT_GONE) {
            outcome.strViolation =
                "message " + std::to_string(outcome.nResult) + " for a unit that went away";
        }
    } else if (outcome.bEnded && outcome.bFired && !operation.failures.contains(outcome.nResult)) {
        outcome.strViolation =
            "message " + std::to_string(outcome.nResult) + " is not one of this stage";
    }
    return outcome;
}

std::string Cell(const Outcome& outcome) {
    if (!outcome.bFired) {
        return "(not reached)";
    }
    if (!outcome.bEnded) {
        return "HUNG";
    }
    std::ostringstream text;
    if (!outcome.strTexts.empty()) {
        text << Utf16ToUtf8(outcome.strTexts);
    } else {
        text << outcome.nResult;
    }
    text << ", " << outcome.nVirtualMilliseconds / 1000 << " s";
    return text.str();
}

TEST(DeviceFaultTest, EveryBadAnswerEndsWithItsStagesMessageInBoundedTime) {
    for (const Operation& operation : Operations()) {
        for (const Fault fault : kFaults) {
            if (!Applies(fault, operation)) {
                continue;
            }
            const Outcome outcome = RunFault(operation, fault);
            const std::string strWhat = std::string(operation.pszName) + " / " + FaultName(fault);
            EXPECT_TRUE(outcome.bFired) << strWhat << ": the operation was not reached";
            EXPECT_TRUE(outcome.bEnded) << strWhat << ": the update did not end";
            EXPECT_LT(outcome.nVirtualMilliseconds, kRunLimitMilliseconds) << strWhat;
            EXPECT_EQ(outcome.strViolation, "") << strWhat;
        }
    }
}

// A real bridge may answer a mode switch, which restarts the front panel's
// link, with CHECK CONDITION: the switch was delivered, and only the stages
// after it tell whether it happened. A switch that never reached the bridge
// ends with the mode message.
TEST(DeviceFaultTest, OnlyAModeSwitchThatWasNotDeliveredEndsWithTheModeMessage) {
    const std::map<std::string, UINT> expected = {
        {"UI mode 1 before resource", IDS_ERR_RESOURCE_MODE},
        {"UI mode 3", IDS_ERR_RESOURCE_MODE},
        {"UI mode 4", IDS_ERR_UI_FIRMWARE_MODE},
    };
    for (const Operation& operation : Operations()) {
        const auto it = expected.find(operation.pszName);
        if (it != expected.end()) {
            EXPECT_EQ(RunFault(operation, Fault::RequestFails).nResult, it->second)
                << operation.pszName;
            const Outcome refused = RunFault(operation, Fault::CheckCondition);
            EXPECT_TRUE(refused.bEnded) << operation.pszName;
            EXPECT_NE(refused.nResult, it->second) << operation.pszName;
            EXPECT_EQ(refused.strViolation, "") << operation.pszName;
        }
    }
}

// The table of what each fault led to, for the record.
TEST(DeviceFaultTest, DISABLED_PrintTable) {
    std::cout << "| operation |";
    for (const Fault fault : kFaults) {
        std::cout << ' ' << FaultName(fault) << " |";
    }
    std::cout << "\n|---|";
    for (std::size_t i = 0; i < std::size(kFaults); ++i) {
        std::cout << "---|";
    }
    std::cout << '\n';
    for (const Operation& operation : Operations()) {
        std::cout << "| " << operation.pszName << " |";
        for (const Fault fault : kFaults) {
            std::cout << ' '
                      << (Applies(fault, operation) ? Cell(RunFault(operation, fault)) : "n/a")
                      << " |";
        }
        std::cout << '\n';
    }
}

// A part that never finishes an erase: every wait on it runs out, and the
// stage fails with its message instead of waiting for ever.
TEST(DeviceFaultTest, APartThatStaysBusyForEverFailsItsStage) {
    {
        emu::NorChipModel stuck = *emu::FindNorChipModel("SST SST39VF020");
        stuck.nSectorEraseMicroseconds = 0xFFFFFFFF;
        CFaultBench bench("rom-mode", &stuck);
        bench.Open();
        const std::uint64_t nStart = bench.env.clock.NowMicroseconds();
        EXPECT_EQ(bench.Update(), std::optional<UINT>(IDS_ERR_WRITE_FLASH_ROM))
            << "FLASH sector erase";
        EXPECT_LT(bench.env.clock.NowMicroseconds() - nStart, 60'000'000u);
    }
    {
        emu::SpiChipModel stuck = *emu::FindSpiChipModel("WINBOND W25X40A");
        stuck.nChipEraseMicroseconds = 0xFFFFFFFF;
        CFaultBench bench("row1", nullptr, &stuck);
        bench.Open();
        const std::uint64_t nStart = bench.env.clock.NowMicroseconds();
        EXPECT_EQ(bench.Update(), std::optional<UINT>(IDS_ERR_WRITE_SPIROM)) << "SPI chip erase";
        EXPECT_LT(bench.env.clock.NowMicroseconds() - nStart, 300'000'000u);
    }
    {
        CFaultBench bench("row1");
        emu::FittedUiController(*bench.enclosure)->Timing().nChipEraseMicroseconds = 0xFFFFFFFF;
        bench.Open();
        const std::uint64_t nStart = bench.env.clock.NowMicroseconds();
        EXPECT_EQ(bench.Update(), std::optional<UINT>(IDS_ERR_WRITE_UI_FLASH)) << "UI flash erase";
        EXPECT_LT(bench.env.clock.NowMicroseconds() - nStart, 300'000'000u);
    }
}

}  // namespace
}  // namespace rf::test
