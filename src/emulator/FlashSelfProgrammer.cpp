#include "emulator/FlashSelfProgrammer.h"

#include <algorithm>

namespace rf::emu {

namespace {

constexpr std::uint64_t kCycleMicroseconds = 1;
constexpr std::uint32_t kMagicLength = 4;

}  // namespace

void CFlashSelfProgrammer::Cycle(std::uint32_t nOffset, BYTE nValue) {
    Observe();
    // Nothing reaches the chip once the power is gone.
    if (Powered()) {
        m_chip.Write(nOffset, nValue, m_nNow);
    }
    m_nNow += kCycleMicroseconds;
}

void CFlashSelfProgrammer::WaitReady() {
    m_nNow = std::max(m_nNow, m_chip.BusyUntil());
}

void CFlashSelfProgrammer::Command(BYTE nCommand) {
    Cycle(0x5555, 0xAA);
    Cycle(0x2AAA, 0x55);
    Cycle(0x5555, nCommand);
}

void CFlashSelfProgrammer::EraseSector(std::uint32_t nOffset) {
    Command(0x80);
    Cycle(0x5555, 0xAA);
    Cycle(0x2AAA, 0x55);
    Cycle(nOffset, 0x30);
    WaitReady();
}

void CFlashSelfProgrammer::ProgramByte(std::uint32_t nOffset, BYTE nValue) {
    Command(0xA0);
    Cycle(nOffset, nValue);
    WaitReady();
}

void CFlashSelfProgrammer::WritePage(std::uint32_t nOffset, std::span<const BYTE> image) {
    const std::uint32_t nPage = m_chip.Model().nPageSize;
    Command(0xA0);
    for (std::uint32_t i = 0; i < nPage; ++i) {
        const std::uint32_t nAt = nOffset + i;
        Cycle(nAt, nAt < image.size() ? image[nAt] : BYTE{0xFF});
    }
    Observe();
    if (Powered()) {
        m_chip.Read(nOffset, m_nNow);  // ends the page load
    }
    WaitReady();
}

bool CFlashSelfProgrammer::WriteRange(std::span<const BYTE> image, std::uint32_t nFrom,
                                      std::uint32_t nTo) {
    const std::uint32_t nPage = m_chip.Model().nPageSize;
    for (std::uint32_t nAt = nFrom; nAt < nTo; nAt += nPage != 0 ? nPage : 1) {
        if (!Powered()) {
            return false;
        }
        if (nPage != 0) {
            WritePage(nAt, image);
        } else if (image[nAt] != 0xFF) {
            ProgramByte(nAt, image[nAt]);
        }
    }
    return Powered();
}

bool CFlashSelfProgrammer::Program(std::span<const BYTE> image) {
    const NorChipModel& model = m_chip.Model();
    const auto nSize = static_cast<std::uint32_t>(image.size());
    const std::uint32_t nBootBlock = model.nPageSize != 0 ? model.nPageSize : model.nSectorSize;
    // Blank the boot block first.
    if (model.nPageSize != 0) {
        WritePage(0, std::span<const BYTE>());
    } else {
        EraseSector(0);
    }
    if (!Powered()) {
        return false;
    }
    if (model.nPageSize == 0) {
        for (std::uint32_t nSector = nBootBlock; nSector < nSize; nSector += model.nSectorSize) {
            EraseSector(nSector);
            if (!Powered()) {
                return false;
            }
        }
    }
    const std::uint32_t nBootEnd = std::min(nBootBlock, nSize);
    if (model.nPageSize != 0) {
        // A page is written in one go: the boot page goes last, whole.
        return WriteRange(image, nBootEnd, nSize) && WriteRange(image, 0, nBootEnd);
    }
    // The magic at the very start is the last thing written.
    const std::uint32_t nMagic = std::min<std::uint32_t>(kMagicLength, nBootEnd);
    return WriteRange(image, nBootEnd, nSize) && WriteRange(image, nMagic, nBootEnd) &&
           WriteRange(image, 0, nMagic);
}

}  // namespace rf::emu
