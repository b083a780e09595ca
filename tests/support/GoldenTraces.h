#pragma once

// The commands of whole updates as they were recorded when the update
// still ran through the dialog alone, one digest a scene: any change to
// what an update sends, or in which order, shows against these first.

#include <cstdint>
#include <ostream>
#include <string>

namespace rf::test {

struct TraceDigest {
    std::size_t nCommands = 0;
    std::uint64_t nHash = 0xCBF29CE484222325ULL;  // FNV-1a 64 of the trace's lines

    void Add(const std::string& strLine) {
        for (const char c : strLine + '\n') {
            nHash = (nHash ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
        }
        ++nCommands;
    }
    bool operator==(const TraceDigest&) const = default;
};

inline std::ostream& operator<<(std::ostream& stream, const TraceDigest& digest) {
    return stream << "{" << digest.nCommands << ", 0x" << std::hex << std::uppercase << digest.nHash
                  << std::dec << "}";
}

// The terminal (reflasher-cli update --yes) and the window (the user
// dialog's button, answered Yes) send the same commands.
struct Scene {
    const char* pszPreset;
    const char* pszFlashChip;  // empty: the preset's own
    TraceDigest trace;
};

inline const Scene kScenes[] = {
    {"row1", "", {15196, 0x1FBC2E1D9FF92F79}},
    {"row2", "", {3035, 0xE513D4BCF8B00A4D}},
    {"current", "", {15196, 0x1FBC2E1D9FF92F79}},
    {"rom-mode", "SST SST39VF020", {351105, 0x44E3E61C9BFDB260}},  // sector erase
    {"rom-mode", "AMD AM29LV010B", {308578, 0x4405069D1CCD97C9}},  // chip erase
    // Four timed reads of the link before a page-write chip is written.
    {"rom-mode", "ATMEL AT29LV010", {52996, 0x061746159C9D7D92}},  // page write
    // A full-speed command costs a 1 ms frame for each of its three phases.
    {"usb11", "", {15268, 0x850AC3647FBCBBAE}},
    {"ui-state0", "", {3922, 0x77574B715A284794}},
    {"debugger", "", {13047, 0xF6BF99184B7FBA50}},
    {"unknown-spi", "", {1788, 0x92FA8572047B0C1E}},
};

}  // namespace rf::test
