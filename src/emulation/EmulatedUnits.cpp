#include "emulation/EmulatedUnits.h"

#include <charconv>
#include <filesystem>

#include "base/FilePath.h"
#include "base/Text.h"
#include "emulation/EmulatedSession.h"
#include "emulation/EmulatorPresets.h"
#include "emulator/EnclosureStore.h"
#include "emulator/UiController.h"
#include "images/RomSeeprom.h"

namespace fs = std::filesystem;

namespace rf {

namespace {

constexpr char kUnitPrefix[] = "unit-";

bool IsDigit(BYTE c) {
    return c >= '0' && c <= '9';
}

// Adds nBy to the last number written in the field, in place and at its
// width, so that the field's length and padding stay as they were.
void AdvanceLastNumber(BYTE* pField, std::size_t nLength, int nBy) {
    std::size_t nEnd = nLength;
    while (nEnd > 0 && !IsDigit(pField[nEnd - 1])) {
        --nEnd;
    }
    int nCarry = nBy;
    for (std::size_t i = nEnd; i > 0 && IsDigit(pField[i - 1]) && nCarry != 0; --i) {
        const int nDigit = pField[i - 1] - '0' + nCarry;
        pField[i - 1] = static_cast<BYTE>('0' + nDigit % 10);
        nCarry = nDigit / 10;
    }
}

// The number of a unit's subdirectory name, 0 for any other name.
int UnitNumberOf(const std::string& strName) {
    if (!strName.starts_with(kUnitPrefix)) {
        return 0;
    }
    const std::string_view digits = std::string_view(strName).substr(sizeof kUnitPrefix - 1);
    int nUnit = 0;
    const auto [pEnd, error] = std::from_chars(digits.data(), digits.data() + digits.size(), nUnit);
    return error == std::errc() && pEnd == digits.data() + digits.size() && nUnit >= 2 ? nUnit : 0;
}

}  // namespace

std::string EmulatedUnitDirectory(const std::string& strDirectory, int nUnit) {
    if (nUnit <= 1) {
        return strDirectory;
    }
    return PathToUtf8(PathFromUtf8(strDirectory) / (kUnitPrefix + std::to_string(nUnit)));
}

std::u16string EmulatedUnitDrive(int nUnit) {
    const std::u16string drive = CEmulatedSession::kDrivePath;
    return nUnit <= 1 ? drive : drive + u"-" + Utf8ToUtf16(std::to_string(nUnit));
}

int CountEmulatedUnits(const std::string& strDirectory) {
    int nUnits = 1;
    while (nUnits < kMaxEmulatedUnits &&
           emu::EnclosureExists(EmulatedUnitDirectory(strDirectory, nUnits + 1))) {
        ++nUnits;
    }
    return nUnits;
}

bool RemoveEmulatedUnitsAbove(const std::string& strDirectory, int nUnits, std::string& strError) {
    std::error_code error;
    fs::directory_iterator it(PathFromUtf8(strDirectory), error);
    if (error) {
        return true;  // no directory, no units
    }
    for (const fs::directory_entry& entry : it) {
        const int nUnit = UnitNumberOf(PathToUtf8(entry.path().filename()));
        if (nUnit > nUnits && entry.is_directory(error)) {
            fs::remove_all(entry.path(), error);
            if (error) {
                strError = "cannot remove " + PathToUtf8(entry.path()) + ": " + error.message();
                return false;
            }
        }
    }
    return true;
}

std::optional<int> ParseUnitCount(std::string_view text) {
    int nUnits = 0;
    const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), nUnits);
    if (error != std::errc() || pEnd != text.data() + text.size() || nUnits < 1 ||
        nUnits > kMaxEmulatedUnits) {
        return std::nullopt;
    }
    return nUnits;
}

void NumberEmulatedUnit(emu::CEmulatedEnclosure& enclosure, int nUnit) {
    if (nUnit <= 1) {
        return;
    }
    std::vector<BYTE>& cpu = enclosure.CpuEeprom();
    if (IsValidSeepromHeader(cpu.data())) {
        AdvanceLastNumber(cpu.data() + kSeepromSerialOffset, kSeepromSerialLength, nUnit - 1);
        ComputeSeepromChecksum(cpu.data());
    }
    if (emu::CEmulatedUiController* pUi = emu::FittedUiController(enclosure)) {
        emu::UiProgramFlash flash = pUi->ProgramFlash();
        if (flash.contents.size() >= kUiInfoBlockOffset + kUiInfoBlockLength) {
            AdvanceLastNumber(flash.contents.data() + kUiInfoBlockOffset, kUiInfoBlockLength,
                              nUnit - 1);
            pUi->RestoreProgramFlash(flash);
        }
    }
}

std::u16string EmulatedUnitSerial(const emu::CEmulatedEnclosure& enclosure) {
    const std::vector<BYTE>& cpu = enclosure.CpuEeprom();
    if (cpu.size() < kSeepromHeaderSize || !IsValidSeepromHeader(cpu.data())) {
        return {};
    }
    return SeepromSerialText(cpu.data());
}

std::optional<UnitFault> ParseUnitFault(std::string_view text) {
    // KIND:N holds one colon; what comes before another names the unit.
    const std::size_t nLast = text.rfind(':');
    const std::size_t nKind = nLast == std::string_view::npos || nLast == 0
                                  ? std::string_view::npos
                                  : text.rfind(':', nLast - 1);
    UnitFault result;
    std::string_view fault = text;
    if (nKind != std::string_view::npos) {
        if (nKind == 0) {
            return std::nullopt;
        }
        result.unit = Utf8ToUtf16(std::string(text.substr(0, nKind)));
        fault = text.substr(nKind + 1);
    }
    const std::optional<emu::Fault> parsed = emu::ParseFault(fault);
    if (!parsed) {
        return std::nullopt;
    }
    result.fault = *parsed;
    return result;
}

}  // namespace rf
