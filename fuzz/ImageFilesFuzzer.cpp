// Image files of every kind, as a dropped file or the resource option
// brings them: loading, the version texts in both dialogs, and the
// comparison with any device version.

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <string>

#include "base/Text.h"
#include "fuzz/FuzzDevice.h"
#include "images/RomFlash.h"
#include "images/RomSeeprom.h"
#include "images/RomUi.h"

namespace {

// The input after its first bytes, as a file the loader can open.
class CMemoryFile {
public:
    explicit CMemoryFile(std::span<const std::uint8_t> contents)
        : m_nFd(::memfd_create("image", 0)) {
        if (m_nFd >= 0 && !contents.empty()) {
            const ssize_t nWritten = ::write(m_nFd, contents.data(), contents.size());
            (void)nWritten;
        }
    }
    ~CMemoryFile() {
        if (m_nFd >= 0) {
            ::close(m_nFd);
        }
    }
    CMemoryFile(const CMemoryFile&) = delete;
    CMemoryFile& operator=(const CMemoryFile&) = delete;
    std::u16string Path() const {
        return rf::Utf8ToUtf16("/proc/self/fd/" + std::to_string(m_nFd));
    }

private:
    int m_nFd;
};

void Exercise(rf::CRomObject& rom, rf::fuzz::CFuzzInput& input, const CMemoryFile& file) {
    rom.LoadFile(file.Path().c_str());
    rom.UpdateRomVersion();
    // A device version of any value against the image.
    rom.m_wDeviceVersion = static_cast<rf::WORD>(input.Byte() | input.Byte() << 8);
    std::u16string strTitle;
    rom.NeedsUpdate(strTitle);
    rom.UpdateCheckBox(true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    rf::fuzz::CFuzzEnvironment env;
    rf::fuzz::CFuzzInput input(pData, nSize);
    const std::uint8_t nKind = input.Byte();
    rf::theCmdInfo.m_bEnableVendorMode = (nKind & 0x80) != 0;
    // Device-side fields the comparisons read, then the file itself.
    std::array<std::uint8_t, 8> device{};
    input.Take(device.data(), device.size());
    std::array<std::uint8_t, 128> deviceString{};
    if ((nKind & 0x40) != 0) {
        input.Take(deviceString.data(), deviceString.size());
    }
    const CMemoryFile file(input.Rest());
    rf::fuzz::CFuzzInput fields(device.data(), device.size());
    switch (nKind % 5) {
        case 0: {
            rf::CRom_Flash rom;
            rom.m_szDeviceVersion = deviceString;
            Exercise(rom, fields, file);
            break;
        }
        case 1: {
            rf::CRom_Host rom;
            Exercise(rom, fields, file);
            break;
        }
        case 2: {
            rf::CRom_Cpu rom;
            Exercise(rom, fields, file);
            break;
        }
        case 3: {
            rf::CRom_UI78K rom;
            rom.m_wDeviceDate = static_cast<rf::WORD>(fields.Byte() | fields.Byte() << 8);
            rom.m_wDeviceTime = static_cast<rf::WORD>(fields.Byte() | fields.Byte() << 8);
            Exercise(rom, fields, file);
            break;
        }
        default: {
            rf::CRom_UIRSC rom;
            rom.m_wDeviceDate = static_cast<rf::WORD>(fields.Byte() | fields.Byte() << 8);
            rom.m_wDeviceTime = static_cast<rf::WORD>(fields.Byte() | fields.Byte() << 8);
            Exercise(rom, fields, file);
            break;
        }
    }
    return 0;
}
