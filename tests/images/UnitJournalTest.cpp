#include "images/UnitJournal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/FilePath.h"
#include "base/Text.h"
#include "support/DialogFixture.h"
#include "support/TempFiles.h"
#include "text/StringTable.h"

namespace rf::test {
namespace {

namespace fs = std::filesystem;

UiInfoBlock Block(const char* pszName) {
    UiInfoBlock block;
    block.fill(0xFF);
    std::copy_n(pszName, std::min(std::strlen(pszName), block.size()), block.begin());
    return block;
}

UiInfoBlock HeldBlock(const emu::CEmulatedUiController& controller) {
    UiInfoBlock block{};
    std::copy_n(controller.ProgramFlash().contents.begin() + 0xA0, block.size(), block.begin());
    return block;
}

std::size_t EntryCount(const fs::path& directory) {
    std::error_code error;
    std::size_t nCount = 0;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        ++nCount;
    }
    return nCount;
}

TEST(UnitJournalTest, EntriesOfTwoSerialsNeverMixAndBadFilesAreNoEntries) {
    CTempFiles files;
    const CUnitJournal journal(PathFromUtf8(files.Root()) / "journal");
    const std::string strA("SN-0001\0\0", 9);
    const std::string strB("SN-0002\0\0", 9);
    ASSERT_TRUE(journal.Keep(strA, Block("UNIT-A")));
    ASSERT_TRUE(journal.Keep(strB, Block("UNIT-B")));
    EXPECT_EQ(journal.Find(strA), Block("UNIT-A"));
    EXPECT_EQ(journal.Find(strB), Block("UNIT-B"));
    EXPECT_EQ(journal.Find("SN-0003"), std::nullopt);

    EXPECT_TRUE(journal.Forget(strA, Block("UNIT-A")));
    EXPECT_EQ(journal.Find(strA), std::nullopt);
    EXPECT_EQ(journal.Find(strB), Block("UNIT-B"));

    // A unit whose serial could not be read shares one entry with its
    // kind; a second such unit may not overwrite a copy still waiting.
    ASSERT_TRUE(journal.Keep("", Block("UNIT-C")));
    EXPECT_FALSE(journal.Keep("", Block("UNIT-D")));
    EXPECT_EQ(journal.Find("SN-0004"), Block("UNIT-C"));
    EXPECT_EQ(journal.Find(strB), Block("UNIT-B"));
    EXPECT_TRUE(journal.Forget("SN-0004", Block("UNIT-C")));
    EXPECT_EQ(journal.Find(""), std::nullopt);

    // An entry cut short is not taken for the unit's block.
    for (const fs::directory_entry& entry : fs::directory_iterator(journal.Directory())) {
        fs::resize_file(entry.path(), 10);
    }
    EXPECT_EQ(journal.Find(strB), std::nullopt);
}

class UnitJournalUpdateTest : public ::testing::Test, public CDialogFixture {
protected:
    fs::path JournalDirectory() const {
        return PathFromUtf8(env.stateDirectory.Root()) / "reflasher" / "journal";
    }

    // Power lost once the controller's flash was erased and before its
    // programming ended, then back.
    void CutInsideUiProgramming() {
        faulty.decide = [this](const ScsiRequest& request) {
            // 60 commands after the switch into boot mode the erase is done
            // and the programming under way.
            if (request.Cdb[0] == 0xFA && request.Cdb[1] == 0x04 &&
                request.DataTransferLength == 0) {
                enclosure->AddFault(
                    emu::Fault{enclosure->NextCommandIndex() + 60, emu::FaultKind::PowerCut});
            }
            return FaultAction::Pass;
        };
        EXPECT_EQ(Update(), IDS_ERR_UNIT_GONE);
        faulty.decide = nullptr;
        enclosure->ClearFaults();
        enclosure->PowerOn();
    }
};

TEST_F(UnitJournalUpdateTest, ANameErasedByACutComesBackWithTheNextUpdateAndTheEntryGoes) {
    Attach("row1");
    OpenDialog(true);
    const UiInfoBlock name = HeldBlock(Controller());
    ASSERT_EQ(name, Block("DVX44-UI-004870"));
    CutInsideUiProgramming();
    ASSERT_FALSE(Controller().ProgramFlash().bValid);
    EXPECT_EQ(HeldBlock(Controller()), Block(""));
    EXPECT_EQ(EntryCount(JournalDirectory()), 1u);

    RunFor(3'000);
    env.messageBoxes.answers = {IDYES};
    EXPECT_EQ(Update(), IDS_UPDATE_COMPLETE);
    EXPECT_TRUE(Controller().ProgramFlash().bValid);
    EXPECT_EQ(HeldBlock(Controller()), name);
    EXPECT_EQ(EntryCount(JournalDirectory()), 0u);
}

TEST_F(UnitJournalUpdateTest, AJournalThatCannotBeWrittenStopsTheUpdateBeforeItsFirstWrite) {
    // A state directory below a plain file can be made by nobody, root included.
    const std::u16string blocker = env.stateDirectory.Write("blocker", std::vector<BYTE>{1});
    CScopedEnv state(kStateHomeVariable, PathToUtf8(PathFromUtf16(blocker) / "state"));
    Attach("row1");
    OpenDialog(true);
    trace.clear();
    EXPECT_EQ(Update(), IDS_ERR_DIRECTORY_NOT_WRITABLE);
    // The message names the directory and the system's reason.
    const std::u16string& text = env.messageBoxes.shown.back().text;
    const std::size_t nPath = text.find((PathFromUtf16(blocker) / "state").u16string());
    ASSERT_NE(nPath, std::u16string::npos) << Utf16ToUtf8(text);
    EXPECT_GT(text.size(), text.find(u": ", nPath) + 2) << Utf16ToUtf8(text);
    EXPECT_TRUE(trace.empty()) << "a command was sent: " << FormatTraceLine(trace.front());
    EXPECT_EQ(enclosure->Revision(), "0.24");
    EXPECT_EQ(HeldBlock(Controller()), Block("DVX44-UI-004870"));
}

}  // namespace
}  // namespace rf::test
