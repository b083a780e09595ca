#pragma once

// The commands of whole updates as they were recorded when the update
// still ran through the dialog alone, one digest a scene: any change to
// what an update sends, or in which order, shows against these first.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

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
// dialog's button, answered Yes) send the same commands. The digests cover
// the data sent, so they follow the test images' bytes (the test-image mark
// of the SEEPROM, bridge and resource images is written with them; the UI
// firmware's lies in the information block, which the unit's own replaces).
struct Scene {
    const char* pszPreset;
    const char* pszFlashChip;  // empty: the preset's own
    TraceDigest trace;
};

inline const Scene kScenes[] = {
    {"row1", "", {15196, 0xC6B0CCC94E3EC177}},
    {"row2", "", {3035, 0x4BF90C302A42D322}},
    {"current", "", {15196, 0xC6B0CCC94E3EC177}},
    {"rom-mode", "SST SST39VF020", {351105, 0x189EB4E07403AA04}},  // sector erase
    {"rom-mode", "AMD AM29LV010B", {308578, 0x3B9C05FE853A625D}},  // chip erase
    // Four timed reads of the link before a page-write chip is written.
    {"rom-mode", "ATMEL AT29LV010", {52996, 0x12E9F8BC61FB80C0}},  // page write
    // A full-speed command costs a 1 ms frame for each of its three phases.
    {"usb11", "", {15268, 0xE6D2550399E34468}},
    {"ui-state0", "", {3922, 0xD54D4C66415CC36B}},
    {"debugger", "", {13047, 0xDC00EDA973FD316E}},
    {"unknown-spi", "", {1788, 0xB8ED5B6943E51B83}},
};

// A front panel that never had firmware never had a name either: its update
// needs /IgnoreMissingUnitName.
inline bool NeverNamed(const Scene& scene) {
    return std::string_view(scene.pszPreset) == "ui-state0";
}

}  // namespace rf::test
