#pragma once

// How the bridge firmware programs its own FLASH-ROM from an image it was
// handed: the boot block is blanked first and written last, so that power
// lost on the way leaves a bridge that starts in ROM mode, never one that
// starts half an image.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "base/Types.h"
#include "emulator/NorFlashChip.h"

namespace rf::emu {

class CFlashSelfProgrammer {
public:
    // cutAfter: the power goes this long after the start.
    CFlashSelfProgrammer(CNorFlashChip& chip, std::uint64_t nStart,
                         std::optional<std::uint64_t> cutAfter)
        : m_chip(chip), m_nStart(nStart), m_nNow(nStart), m_cutAfter(cutAfter) {}

    // False when the power went before the image was complete.
    bool Program(std::span<const BYTE> image);
    // Told, before every bus cycle, how long the programming has run: what
    // has reached the chip by then is what a cut at that moment leaves.
    void SetObserver(std::function<void(std::uint64_t nElapsed)> observer) {
        m_observer = std::move(observer);
    }
    std::uint64_t ElapsedMicroseconds() const { return m_nNow - m_nStart; }

private:
    bool Powered() const { return !m_cutAfter || m_nNow - m_nStart < *m_cutAfter; }
    void Observe() const {
        if (m_observer) {
            m_observer(m_nNow - m_nStart);
        }
    }
    void Cycle(std::uint32_t nOffset, BYTE nValue);
    void WaitReady();
    void Command(BYTE nCommand);
    void EraseSector(std::uint32_t nOffset);
    void ProgramByte(std::uint32_t nOffset, BYTE nValue);
    void WritePage(std::uint32_t nOffset, std::span<const BYTE> image);
    bool WriteRange(std::span<const BYTE> image, std::uint32_t nFrom, std::uint32_t nTo);

    CNorFlashChip& m_chip;
    std::uint64_t m_nStart;
    std::uint64_t m_nNow;
    std::optional<std::uint64_t> m_cutAfter;
    std::function<void(std::uint64_t)> m_observer;
};

}  // namespace rf::emu
