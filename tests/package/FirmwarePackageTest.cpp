#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "base/Text.h"
#include "firmware/FirmwareImages.h"
#include "firmware/ImageCatalogue.h"
#include "firmware/Sha256.h"
#include "package/FirmwarePackage.h"
#include "support/CliFixture.h"
#include "support/NonTestImages.h"

namespace rf::test {
namespace {

namespace fs = std::filesystem;

// Packages are made as cabinets where libgcab is; the Windows build reads
// them only, so its tests use directory packages.
#ifdef _WIN32
constexpr bool kMakesCabinets = false;
#else
constexpr bool kMakesCabinets = true;
#endif

std::string ReadText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& strText) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << strText;
}

void Replace(const fs::path& path, const std::string& strFrom, const std::string& strTo) {
    std::string strText = ReadText(path);
    const std::size_t nAt = strText.find(strFrom);
    ASSERT_NE(nAt, std::string::npos) << strFrom;
    strText.replace(nAt, strFrom.size(), strTo);
    WriteText(path, strText);
}

std::map<std::string, std::string> State(const fs::path& directory) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(directory)) {
        files[entry.path().filename().string()] = ReadText(entry.path());
    }
    return files;
}

class FirmwarePackageTest : public CCliFixture {
public:  // the cases of the table call back into the fixture
    fs::path Root() const { return files.Root(); }
    std::u16string Emulate() const {
        return Utf8ToUtf16("--emulate=" + files.Root() + "/enclosure");
    }

    fs::path MakeDirectory(const std::string& strName) {
        const fs::path directory = Root() / strName;
        WritePackageDirectory(directory, false);
        return directory;
    }

    fs::path Pack(const fs::path& directory) {
        const fs::path cab = Root() / (directory.filename().string() + ".cab");
        const CliRun pack =
            Run({u"firmware", u"pack", Utf8ToUtf16(cab.string()), Utf8ToUtf16(directory.string())});
        EXPECT_EQ(pack.nExit, 0) << pack.strErr;
        return cab;
    }

    CliRun UpdateWith(const fs::path& package) {
        return Run({u"update", Emulate(), u"--firmware", Utf8ToUtf16(package.string())});
    }
};

TEST_F(FirmwarePackageTest, AGoodPackageAsCabinetOrDirectoryUpdatesARealUnit) {
    const fs::path directory = MakeDirectory("good");
    const fs::path cab = kMakesCabinets ? Pack(directory) : directory;
    for (const fs::path& package : {directory, cab}) {
        SCOPED_TRACE(package.string());
        ASSERT_EQ(Run({u"emulator", u"reset", Emulate(), u"--as-real-unit"}).nExit, 0);
        const CliRun info =
            Run({u"info", Emulate(), u"--json", u"--firmware", Utf8ToUtf16(package.string())});
        EXPECT_NE(info.strOut.find("\"images\":{\"origin\":\"package\",\"path\":\""),
                  std::string::npos)
            << info.strOut;
        const CliRun update = UpdateWith(package);
        EXPECT_EQ(update.nExit, 0) << update.strOut << update.strErr;
        const std::vector<BYTE> host = NonTestImage(IDR_SEEPROM_HOST);
        const std::string strHost = ReadText(Root() / "enclosure" / "seeprom-host.bin");
        EXPECT_EQ(strHost.substr(0, host.size()), std::string(host.begin(), host.end()));
        EXPECT_NE(Run({u"info", Emulate()}).strOut.find("Product version of the device: Ver.1.01"),
                  std::string::npos);
    }
    // What show lists is what the package holds.
    const CliRun show = Run({u"firmware", u"show", Utf8ToUtf16(cab.string()), u"--json"});
    EXPECT_EQ(show.nExit, 0) << show.strErr;
    const std::vector<BYTE> bridge = NonTestImage(IDR_BRIDGE_FIRMWARE);
    EXPECT_NE(
        show.strOut.find("{\"memory\":\"flash\",\"version\":\"0027\",\"size\":55168,\"sha256\":\"" +
                         Sha256Hex(bridge) + "\",\"origin\":\"package\"}"),
        std::string::npos)
        << show.strOut;
}

TEST_F(FirmwarePackageTest, APackageOfTestImagesIsRefusedOnARealUnit) {
    if (CarriesVendorImages()) {
        GTEST_SKIP() << "the build carries the maker's images";
    }
    // The carried test set comes back through export and pack.
    ASSERT_EQ(Run({u"firmware", u"export", Utf8ToUtf16((Root() / "exported").string())}).nExit, 0);
    if (!kMakesCabinets) {
        WriteMetainfo(Root() / "exported");
    }
    const fs::path cab = kMakesCabinets ? Pack(Root() / "exported") : Root() / "exported";
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate(), u"--as-real-unit"}).nExit, 0);
    const auto before = State(Root() / "enclosure");
    const CliRun update = UpdateWith(cab);
    EXPECT_EQ(update.nExit, 2);
    EXPECT_NE(update.strErr.find("test images"), std::string::npos) << update.strErr;
    EXPECT_EQ(State(Root() / "enclosure"), before);
}

TEST_F(FirmwarePackageTest, EachBrokenPackageIsRefusedWithItsReasonAndNothingWritten) {
    struct Case {
        const char* pszName;
        std::function<fs::path(FirmwarePackageTest&, const fs::path&)>
            breakIt;            // returns the package
        const char* pszFile;    // named in the message
        const char* pszReason;  // the reason's text
    };
    const std::vector<Case> cases = {
        {"checksum",
         [](FirmwarePackageTest&, const fs::path& dir) {
             Replace(dir / "bridge.bin", "ERI2", "ERI3");
             return dir;
         },
         "bridge.bin", "its SHA-256 differs"},
        {"missing image",
         [](FirmwarePackageTest&, const fs::path& dir) {
             fs::remove(dir / "ui-firmware.bin");
             return dir;
         },
         "ui-firmware.bin", "the image file is missing"},
        {"too large",
         [](FirmwarePackageTest&, const fs::path& dir) {
             std::ofstream(dir / "seeprom-host.bin", std::ios::binary | std::ios::app)
                 << std::string(0x2000, 'x');
             return dir;
         },
         "seeprom-host.bin", "does not fit its memory"},
        {"invalid image",
         [](FirmwarePackageTest&, const fs::path& dir) {
             // A consistent package whose resource image has lost its magic.
             Replace(dir / "ui-resource.bin", "RESOURCE", "RESOURC_");
             WriteMetainfo(dir);
             return dir;
         },
         "ui-resource.bin", "not a valid image of its memory"},
        {"wrong product",
         [](FirmwarePackageTest&, const fs::path& dir) {
             Replace(dir / kMetainfoFileName, ">KESTREL DVX4400DUO</firmware>",
                     ">ACME Widget</firmware>");
             return dir;
         },
         kMetainfoFileName, "it is for another product"},
        {"truncated cab",
         [](FirmwarePackageTest& test, const fs::path& dir) {
             const fs::path cab = test.Pack(dir);
             fs::resize_file(cab, fs::file_size(cab) / 2);
             return cab;
         },
         ".cab", "damaged or cut short"},
        {"corrupt cab",
         [](FirmwarePackageTest& test, const fs::path& dir) {
             const fs::path cab = test.Pack(dir);
             std::string strCab = ReadText(cab);
             for (std::size_t i = strCab.size() / 3; i < strCab.size() / 3 + 64; ++i) {
                 strCab[i] = static_cast<char>(strCab[i] ^ 0x5A);
             }
             WriteText(cab, strCab);
             return cab;
         },
         ".cab", ""},
        {"unknown memory",
         [](FirmwarePackageTest&, const fs::path& dir) {
             Replace(dir / kMetainfoFileName, ">ui</value>", ">eeprom</value>");
             return dir;
         },
         "ui-firmware.bin", "unknown memory"},
        {"duplicate memory",
         [](FirmwarePackageTest&, const fs::path& dir) {
             Replace(dir / kMetainfoFileName, ">ui</value>", ">flash</value>");
             return dir;
         },
         "ui-firmware.bin", "the memory is named twice"},
    };
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate(), u"--as-real-unit"}).nExit, 0);
    const auto before = State(Root() / "enclosure");
    int nCase = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        if (!kMakesCabinets && std::string_view(c.pszFile) == ".cab") {
            continue;
        }
        const fs::path package = c.breakIt(*this, MakeDirectory("case" + std::to_string(nCase++)));
        const CliRun update = UpdateWith(package);
        EXPECT_EQ(update.nExit, 2) << update.strOut;
        EXPECT_NE(update.strErr.find("The firmware package cannot be used: "), std::string::npos)
            << update.strErr;
        EXPECT_NE(update.strErr.find(c.pszFile), std::string::npos) << update.strErr;
        EXPECT_NE(update.strErr.find(c.pszReason), std::string::npos) << update.strErr;
        EXPECT_EQ(Run({u"info", Emulate(), u"--firmware", Utf8ToUtf16(package.string())}).nExit, 2);
        EXPECT_EQ(State(Root() / "enclosure"), before)
            << "the saved enclosure is byte for byte what it was";
    }
}

}  // namespace
}  // namespace rf::test
