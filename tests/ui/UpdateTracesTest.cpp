// The commands of whole updates, held against the traces recorded when the
// update still ran through the dialog alone: any change to what an update
// sends, or in which order, shows here first.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>

#include "base/Text.h"
#include "session/EmulatorPresets.h"
#include "support/CliFixture.h"
#include "support/DialogFixture.h"

namespace rf::test {
namespace {

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

std::ostream& operator<<(std::ostream& stream, const TraceDigest& digest) {
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

const Scene kScenes[] = {
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

class UpdateTracesTest : public CCliFixture {
protected:
    // A front panel that never had firmware never had a name either.
    static bool NeverNamed(const Scene& scene) {
        return std::string_view(scene.pszPreset) == "ui-state0";
    }

    TraceDigest TerminalUpdate(const Scene& scene) {
        const std::u16string emulate =
            Utf8ToUtf16("--emulate=" + files.Root() + "/" + scene.pszPreset);
        std::vector<std::u16string> reset = {u"emulator", u"reset", emulate, u"--preset",
                                             Utf8ToUtf16(scene.pszPreset)};
        if (*scene.pszFlashChip != '\0') {
            reset.insert(reset.end(), {u"--flash-chip", Utf8ToUtf16(scene.pszFlashChip)});
        }
        EXPECT_EQ(Run(reset).nExit, 0);
        const std::string strTrace = files.Root() + "/trace.txt";
        std::vector<std::u16string> update = {u"update", emulate, u"--yes", u"--trace",
                                              Utf8ToUtf16(strTrace)};
        if (NeverNamed(scene)) {
            update.push_back(u"/IgnoreMissingUnitName");
        }
        Run(update);
        TraceDigest digest;
        std::ifstream trace(strTrace);
        for (std::string strLine; std::getline(trace, strLine);) {
            digest.Add(strLine);
        }
        return digest;
    }

    static TraceDigest WindowUpdate(const Scene& scene) {
        CDialogFixture fixture;
        std::string strError;
        fixture.enclosure =
            MakeEmulatedEnclosure(scene.pszPreset, scene.pszFlashChip, "", strError);
        fixture.enclosure->EnableTrace(false);
        fixture.emulated.Attach(u"sdb", fixture.enclosure);
        theCmdInfo.m_bIgnoreMissingUnitName = NeverNamed(scene);
        fixture.OpenDialog(false);
        fixture.env.messageBoxes.answers = {IDYES};
        fixture.Update();
        TraceDigest digest;
        for (const TraceEntry& entry : fixture.trace) {
            digest.Add(FormatTraceLine(entry));
        }
        return digest;
    }
};

TEST_F(UpdateTracesTest, EveryPresetSendsTheCommandsItAlwaysSent) {
    for (const Scene& scene : kScenes) {
        const std::string strWhat = std::string(scene.pszPreset) + " " + scene.pszFlashChip;
        EXPECT_EQ(TerminalUpdate(scene), scene.trace) << strWhat;
        EXPECT_EQ(WindowUpdate(scene), scene.trace) << strWhat;
    }
}

}  // namespace
}  // namespace rf::test
