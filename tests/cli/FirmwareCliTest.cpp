#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "base/Text.h"
#include "firmware/FirmwareImages.h"
#include "firmware/ImageCatalogue.h"
#include "firmware/ImageKinds.h"
#include "support/CliFixture.h"
#include "support/NonTestImages.h"

namespace rf::test {
namespace {

std::size_t CountLines(const std::string& strText) {
    return static_cast<std::size_t>(std::count(strText.begin(), strText.end(), '\n'));
}

class FirmwareCliTest : public CCliFixture {
protected:
    void SetUp() override {
        if (CarriesVendorImages()) {
            GTEST_SKIP() << "the build carries the maker's images";
        }
    }

    std::string Directory() const { return files.Root() + "/enclosure"; }
    std::u16string Emulate() const { return Utf8ToUtf16("--emulate=" + Directory()); }
    std::u16string TraceOption(const std::string& strName) const {
        return Utf8ToUtf16("--trace=" + files.Root() + "/" + strName);
    }
    std::string Trace(const std::string& strName) const {
        return ReadFileText(files.Root() + "/" + strName);
    }
};

TEST_F(FirmwareCliTest, ARealUnitGetsNoTestImageButListInfoAndBackupWork) {
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate(), u"--as-real-unit"}).nExit, 0);
    EXPECT_NE(ReadFileText(Directory() + "/enclosure.conf").find("emulated-mark=no"),
              std::string::npos);
    const auto before = DirectorySnapshot(Directory());

    const CliRun info = Run({u"info", Emulate(), TraceOption("info")});
    EXPECT_EQ(info.nExit, 0) << info.strErr;
    EXPECT_EQ(Run({u"backup", Utf8ToUtf16(files.Root() + "/backup"), Emulate()}).nExit, 0);

    for (const bool bVendor : {false, true}) {
        const CliRun update = Run({u"update", Emulate(), u"--yes", TraceOption("update"),
                                   bVendor ? u"--vendor" : u"--stats"});
        EXPECT_EQ(update.nExit, 2) << update.strOut << update.strErr;
        EXPECT_NE((update.strOut + update.strErr)
                      .find("test images, made for the emulated enclosure only"),
                  std::string::npos)
            << update.strOut << update.strErr;
        if (!bVendor) {
            // Identification and version reads, exactly what info sends.
            EXPECT_EQ(Trace("update"), Trace("info"));
        }
    }
    const CliRun json = Run({u"update", Emulate(), u"--json"});
    EXPECT_EQ(json.nExit, 2);
    EXPECT_NE(json.strOut.find("\"result\":\"refused\",\"message_id\":950"), std::string::npos)
        << json.strOut;
    EXPECT_EQ(DirectorySnapshot(Directory()), before)
        << "the saved enclosure is byte for byte what it was";
}

TEST_F(FirmwareCliTest, ChangedTestImagesAreRefusedLoadedOrInAPackage) {
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate(), u"--as-real-unit"}).nExit, 0);
    const auto before = DirectorySnapshot(Directory());
    for (const ImageChange change : kImageChanges) {
        SCOPED_TRACE(ImageChangeName(change));
        const std::filesystem::path package =
            std::filesystem::path(files.Root()) / ImageChangeName(change);
        std::filesystem::create_directories(package);
        std::vector<std::u16string> load = {u"update", Emulate(), u"--vendor", u"--yes"};
        for (const MemoryKindInfo& kind : MemoryKinds()) {
            const std::vector<BYTE> bytes =
                ChangedImage(FindFirmwareImage(kind.nCarriedId), change);
            std::ofstream(package / kind.pszFileName, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            load.insert(load.end(),
                        {u"--load", Utf8ToUtf16(std::string(kind.pszKey) + "=" +
                                                (package / kind.pszFileName).string())});
        }
        WriteMetainfo(package);
        for (const auto& args :
             {load, std::vector<std::u16string>{u"update", Emulate(), u"--yes", u"--firmware",
                                                Utf8ToUtf16(package.string())}}) {
            const CliRun update = Run(args);
            EXPECT_EQ(update.nExit, 2) << update.strOut << update.strErr;
            // A padded front-panel image no longer fits its memory: the
            // package is refused whole before its images are looked at.
            const std::string text = update.strOut + update.strErr;
            EXPECT_TRUE(text.find("test images, made for the emulated enclosure only") !=
                            std::string::npos ||
                        (change == ImageChange::Padded &&
                         text.find("does not fit its memory") != std::string::npos))
                << text;
        }
    }
    EXPECT_EQ(DirectorySnapshot(Directory()), before)
        << "the saved enclosure is byte for byte what it was";
}

TEST_F(FirmwareCliTest, TheMarkedEnclosureUpdatesAsBefore) {
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate()}).nExit, 0);
    const CliRun update = Run({u"update", Emulate(), TraceOption("update")});
    EXPECT_EQ(update.nExit, 0) << update.strErr;
    EXPECT_EQ(CountLines(Trace("update")), 15196u);
}

}  // namespace
}  // namespace rf::test
