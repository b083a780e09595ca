// The commands of whole updates, held against the traces recorded when the
// update still ran through the dialog alone: any change to what an update
// sends, or in which order, shows here first.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/Text.h"
#include "emulation/EmulatorPresets.h"
#include "support/CliFixture.h"
#include "support/DialogFixture.h"
#include "support/GoldenTraces.h"

namespace rf::test {
namespace {

class UpdateTracesTest : public CCliFixture {
protected:
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
