#pragma once

// The emulated enclosure: a bridge with its parallel FLASH-ROM and two
// serial EEPROMs, and the front-panel controller behind its UI commands.
// It answers SCSI command blocks the way the bridge does, on a bus whose
// latency it charges to the current clock, and records every command.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/Types.h"
#include "device/BridgeCommands.h"
#include "device/DevicePort.h"
#include "emulator/BusProfile.h"
#include "emulator/CommandTrace.h"
#include "emulator/FaultPlan.h"
#include "emulator/FixedSense.h"
#include "emulator/NorFlashChip.h"
#include "emulator/UiControllerPort.h"

namespace rf::emu {

inline constexpr std::uint32_t kHostEepromSize = 0x2000;
inline constexpr std::uint32_t kCpuEepromSize = 0x800;
using rf::kFlashWindowBase;

struct EnclosureCounters {
    std::uint64_t nAttempts = 0;          // commands offered, failed ones included
    std::uint64_t nFailedAttempts = 0;    // not delivered
    std::uint64_t nBytesIn = 0;           // device to host
    std::uint64_t nBytesOut = 0;          // host to device
    std::uint64_t nBusMicroseconds = 0;   // time on the bus
    std::uint64_t nWorkMicroseconds = 0;  // time the bridge spent on a command's own work
};

class CEmulatedEnclosure {
public:
    CEmulatedEnclosure(const NorChipModel& flashChip, const BusProfile& bus);

    // One attempt at a command, as the operating system's pass-through makes
    // it. False when it did not get through (no power, an injected failure).
    bool Execute(ScsiRequest& request);

    // What INQUIRY reports as vendor (8) and product (16).
    void SetIdentity(std::string strVendor, std::string strProduct);
    const std::string& Vendor() const { return m_strVendor; }
    const std::string& Product() const { return m_strProduct; }
    const BusProfile& Bus() const { return *m_pBus; }
    // Whether INQUIRY says that this is an emulated enclosure (it does
    // unless it was made to stand for a real unit).
    void SetEmulatedMark(bool bMark) { m_bEmulatedMark = bMark; }
    bool HasEmulatedMark() const { return m_bEmulatedMark; }
    void SetBus(const BusProfile& bus) { m_pBus = &bus; }

    CNorFlashChip& Flash() { return m_flash; }
    const CNorFlashChip& Flash() const { return m_flash; }
    std::vector<BYTE>& HostEeprom() { return m_hostEeprom; }
    std::vector<BYTE>& CpuEeprom() { return m_cpuEeprom; }
    const std::vector<BYTE>& HostEeprom() const { return m_hostEeprom; }
    const std::vector<BYTE>& CpuEeprom() const { return m_cpuEeprom; }

    void SetUiController(std::unique_ptr<IEmulatedUiController> pController);
    IEmulatedUiController& UiController() { return *m_pUi; }
    const IEmulatedUiController& UiController() const { return *m_pUi; }

    // True while the bridge runs its boot code because the FLASH-ROM holds
    // no valid firmware; decided at every start.
    bool IsRomMode() const { return m_bRomMode; }
    // The revision INQUIRY reports: "FFFF" in ROM mode, else the firmware's
    // short version.
    std::string Revision() const;

    bool IsPowered() const { return m_bPowered; }
    void PowerOff();
    // Power back: the bridge starts from what its FLASH-ROM holds.
    void PowerOn();

    void AddFault(const Fault& fault) { m_faults.push_back(fault); }
    void ClearFaults() { m_faults.clear(); }
    // Index the next command will get.
    std::uint64_t NextCommandIndex() const { return m_nNextIndex; }
    void ResetCommandIndex() { m_nNextIndex = 0; }

    void EnableTrace(bool bEnable) { m_bTrace = bEnable; }
    const std::vector<TraceEntry>& Trace() const { return m_trace; }
    void ClearTrace() { m_trace.clear(); }
    const EnclosureCounters& Counters() const { return m_counters; }

private:
    struct Answer {
        bool bDelivered = true;
        BYTE nStatus = 0;
        SenseCode sense{};
        UINT nTransferred = 0;
    };

    Answer Dispatch(ScsiRequest& request, std::optional<std::uint64_t> cutAfter,
                    LinkFault linkFault);
    Answer Inquiry(ScsiRequest& request);
    Answer FlashWindow(ScsiRequest& request);
    Answer HostEepromCommand(ScsiRequest& request, std::optional<std::uint64_t> cutAfter);
    Answer BridgeCommand(ScsiRequest& request);
    Answer UiCommand(ScsiRequest& request, std::optional<std::uint64_t> cutAfter,
                     LinkFault linkFault);
    Answer ProgramImage(ScsiRequest& request, std::optional<std::uint64_t> cutAfter);
    void Boot();
    std::uint64_t Now() const;
    void Work(std::uint64_t nMicroseconds);

    std::string m_strVendor = "KESTREL";
    std::string m_strProduct = "DVX4400DUO";
    bool m_bEmulatedMark = true;
    const BusProfile* m_pBus;
    CNorFlashChip m_flash;
    std::vector<BYTE> m_hostEeprom;
    std::vector<BYTE> m_cpuEeprom;
    std::unique_ptr<IEmulatedUiController> m_pUi;

    bool m_bPowered = true;
    bool m_bRomMode = true;
    std::vector<Fault> m_faults;
    int m_nFailingAttempts = 0;
    std::uint64_t m_nNextIndex = 0;
    bool m_bTrace = true;
    std::vector<TraceEntry> m_trace;
    EnclosureCounters m_counters;
};

// True when an image (or FLASH-ROM contents) is bridge firmware the bridge
// will start: its magic at the start and its chip-family tag at 0xF0.
bool IsBootableFirmware(std::span<const BYTE> contents);

}  // namespace rf::emu
