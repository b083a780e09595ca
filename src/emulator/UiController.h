#pragma once

// The emulated front-panel controller behind the bridge's UI commands: a
// 78K-family microcontroller with its own program flash and the SPI flash
// that holds the UI resource data.
//
// Link states (the bridge's state byte): while the controller runs its
// firmware (modes 1 to 3) it reports 0x01 (state 2) and answers the UI
// commands and the SPI pass-through with data frames; in mode 4 its boot
// mode answers (0x02, state 4) with status frames; when its flash holds no
// valid firmware and it is not in boot mode it reports 0x80 (state 0) and
// stays silent, so the host has to switch it into boot mode. While a mode
// switch settles it reports 0x00 and hears nothing. After power-up or a
// bridge restart it is in mode 1.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/Types.h"
#include "device/BridgeCommands.h"
#include "emulator/SpiFlashModel.h"
#include "emulator/UiBootLoader.h"
#include "emulator/UiControllerPort.h"
#include "emulator/UiControllerSettings.h"

namespace rf::emu {

class CEmulatedEnclosure;

class CEmulatedUiController final : public IEmulatedUiController {
public:
    // A controller with a blank program flash (so no valid firmware) and a
    // blank SPI flash of the given part.
    explicit CEmulatedUiController(const SpiChipModel& spiChip,
                                   const UiControllerSettings& settings = {});
    CEmulatedUiController(const CEmulatedUiController&) = delete;
    CEmulatedUiController& operator=(const CEmulatedUiController&) = delete;

    BYTE StateByte(std::uint64_t nNow) override;
    void SetMode(BYTE nMode, std::uint64_t nNow) override;
    std::uint64_t LinkWrite(std::span<const BYTE> bytes, LinkFault fault,
                            std::uint64_t nNow) override;
    std::uint64_t LinkRead(bool bReply, std::span<BYTE> buffer, LinkFault fault,
                           std::uint64_t nNow) override;
    void Reset(std::uint64_t nNow) override;
    void PowerLoss(std::uint64_t nNow) override { m_spi.PowerLoss(nNow); }

    // The mode the bridge selected last (1 after a reset).
    BYTE Mode() const { return m_nMode; }

    // Puts firmware into the program flash as a finished update leaves it.
    void InstallFirmware(std::span<const BYTE> image);
    const UiProgramFlash& ProgramFlash() const { return m_flash; }
    // Restores a program flash as it was kept.
    void RestoreProgramFlash(const UiProgramFlash& flash);

    CSpiFlashChip& SpiFlash() { return m_spi; }
    const CSpiFlashChip& SpiFlash() const { return m_spi; }

    UiControllerSettings& Settings() { return m_settings; }
    const UiControllerSettings& Settings() const { return m_settings; }
    UiControllerTiming& Timing() { return m_timing; }

    struct Counters {
        std::uint64_t nFramesReceived = 0;
        std::uint64_t nFramesUnheard = 0;  // lost, malformed, or while nobody listened
        std::uint64_t nAnswers = 0;        // data and status frames sent back
        std::uint64_t nLinkMicroseconds = 0;
        std::uint64_t nSpiBytes = 0;
    };
    const Counters& Stats() const { return m_counters; }
    const CUiBootLoader::Counters& BootStats() const { return m_loader.Stats(); }

private:
    // What the controller has put on the line for the bridge to read: one
    // frame, read in as many pieces as the host asks for.
    struct Channel {
        std::vector<BYTE> bytes;
        std::size_t nRead = 0;
        std::uint64_t nReadyAt = 0;  // when its last byte has reached the bridge

        bool IsEmpty() const { return nRead >= bytes.size(); }
        void Clear() {
            bytes.clear();
            nRead = 0;
        }
    };

    bool IsListening(std::uint64_t nNow) const;
    void Send(Channel& channel, std::span<const BYTE> payload, std::uint64_t nFrom);
    void OnFirmwareFrame(const HostFrame& frame, std::uint64_t nNow);
    void OnBootFrame(const HostFrame& frame, std::uint64_t nNow);
    // The firmware's answers; false when it has none for these bytes.
    bool FirmwareAnswer(const std::vector<BYTE>& body, std::vector<BYTE>& answer,
                        std::uint64_t& nWork, std::uint64_t nNow);
    bool SpiTransfer(const std::vector<BYTE>& body, std::vector<BYTE>& answer, std::uint64_t& nWork,
                     std::uint64_t nNow);
    std::uint64_t LineMicroseconds(std::size_t nBytes) const;

    UiControllerSettings m_settings;
    UiControllerTiming m_timing;
    UiProgramFlash m_flash;
    CUiBootLoader m_loader;
    CSpiFlashChip m_spi;
    BYTE m_nMode = UiModeNumber(UiMode::Normal);
    std::uint64_t m_nReadyAt = 0;  // a mode switch settles
    Channel m_data;
    Channel m_reply;
    Counters m_counters;
};

// Fits a controller into the enclosure in place of whatever sat on its UI
// link, and returns it.
CEmulatedUiController& FitUiController(CEmulatedEnclosure& enclosure, const SpiChipModel& spiChip,
                                       const UiControllerSettings& settings = {});
// The controller fitted into the enclosure, or null when its UI link has none.
CEmulatedUiController* FittedUiController(CEmulatedEnclosure& enclosure);
const CEmulatedUiController* FittedUiController(const CEmulatedEnclosure& enclosure);

}  // namespace rf::emu
