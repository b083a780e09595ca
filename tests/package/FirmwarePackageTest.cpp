#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "base/Text.h"
#include "firmware/FirmwareImages.h"
#include "firmware/ImageCatalogue.h"
#include "firmware/Sha256.h"
#include "package/FirmwarePackage.h"
#include "package/PackageComponents.h"
#include "support/CliFixture.h"
#include "support/NonTestImages.h"
#include "text/StringTable.h"

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

std::vector<BYTE> ReadBytes(const fs::path& path) {
    const std::string strText = ReadText(path);
    return std::vector<BYTE>(strText.begin(), strText.end());
}

// The GUID a metainfo file provides its image for.
std::string Guid(const fs::path& metainfo) {
    const std::string strText = ReadText(metainfo);
    const std::string strTag = "<firmware type=\"flashed\">";
    return strText.substr(strText.find(strTag) + strTag.size(), 36);
}

void ReplaceGuid(const fs::path& metainfo, const std::string& strGuid) {
    Replace(metainfo, Guid(metainfo), strGuid);
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

// The one metainfo file an earlier build wrote for the images of a directory.
void WriteEarlierMetainfo(const fs::path& directory) {
    std::string artifacts;
    std::string custom;
    for (const MemoryKindInfo& kind : MemoryKinds()) {
        const std::vector<BYTE> bytes = ReadBytes(directory / kind.pszFileName);
        artifacts += std::string("        <artifact type=\"binary\">\n          <filename>") +
                     kind.pszFileName + "</filename>\n          <checksum type=\"sha256\">" +
                     Sha256Hex(bytes) + "</checksum>\n          <size type=\"installed\">" +
                     std::to_string(bytes.size()) + "</size>\n        </artifact>\n";
        custom += std::string("    <value key=\"reflasher::memory::") + kind.pszFileName + "\">" +
                  kind.pszKey +
                  "</value>\n    <value key=\"reflasher::version::" + kind.pszFileName + "\">" +
                  ImageVersionText(kind.kind, bytes) + "</value>\n";
    }
    WriteText(directory / "firmware.metainfo.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<component type=\"firmware\">\n"
              "  <id>com.kestrel.dvx4400duo.firmware</id>\n"
              "  <name>KESTREL DVX4400DUO firmware</name>\n"
              "  <summary>Firmware of the KESTREL DVX4400DUO disk enclosure</summary>\n"
              "  <metadata_license>CC0-1.0</metadata_license>\n  <provides>\n"
              "    <firmware type=\"flashed\">KESTREL DVX4400DUO</firmware>\n  </provides>\n"
              "  <releases>\n    <release version=\"1.01\">\n      <artifacts>\n" +
                  artifacts + "      </artifacts>\n    </release>\n  </releases>\n  <custom>\n" +
                  custom + "  </custom>\n</component>\n");
}

TEST_F(FirmwarePackageTest, APackageOfAnEarlierBuildIsStillRead) {
    const fs::path directory = Root() / "earlier";
    fs::create_directories(directory);
    for (const MemoryKindInfo& kind : MemoryKinds()) {
        const std::vector<BYTE> bytes = NonTestImage(kind.nCarriedId);
        WriteText(directory / kind.pszFileName, std::string(bytes.begin(), bytes.end()));
    }
    WriteEarlierMetainfo(directory);
    const fs::path cab = kMakesCabinets ? Root() / "earlier.cab" : directory;
    if (kMakesCabinets) {
        PackageFiles packed;
        for (const auto& entry : fs::directory_iterator(directory)) {
            packed[entry.path().filename().string()] = ReadBytes(entry.path());
        }
        ASSERT_TRUE(WriteCabinet(cab, packed));
    }
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate(), u"--as-real-unit"}).nExit, 0);
    const CliRun update = UpdateWith(cab);
    EXPECT_EQ(update.nExit, 0) << update.strOut << update.strErr;
    FirmwarePackage package;
    PackageError error;
    ASSERT_TRUE(ReadFirmwarePackage(directory, package, error));
    EXPECT_EQ(package.strProductVersion, "1.01");
    EXPECT_EQ(package.images.size(), 4u);

    Replace(directory / "firmware.metainfo.xml", ">ui</value>", ">eeprom</value>");
    EXPECT_FALSE(ReadFirmwarePackage(directory, package, error));
    EXPECT_TRUE(error.strFile.ends_with("/ui-firmware.bin")) << error.strFile;
    EXPECT_EQ(error.nReason, static_cast<UINT>(IDS_PKG_UNKNOWN_MEMORY));
}

TEST(PackageComponentsTest, GuidsAreMadeAsTheFirmwareEcosystemMakesThem) {
    // The type-5 UUID of RFC 4122's example name space and a known name.
    EXPECT_EQ(GuidOfInstanceId("python.org"), "886313e1-3b8a-5372-9b90-0c9aee199e5d");
    const SupportedProduct& product = SupportedProducts().front();
    EXPECT_EQ(ComponentInstanceId(product, MemoryKind::Flash),
              "SCSI\\VEN_KESTREL&DEV_DVX4400DUO&PART_BRIDGE");
    const SupportedProduct* pFound = nullptr;
    MemoryKind kind = MemoryKind::Host;
    std::string strGuid = GuidOfInstanceId(ComponentInstanceId(product, MemoryKind::Ui));
    for (char& c : strGuid) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    ASSERT_TRUE(FindComponentGuid(strGuid, pFound, kind));
    EXPECT_EQ(pFound, &product);
    EXPECT_EQ(kind, MemoryKind::Ui);
    EXPECT_FALSE(
        FindComponentGuid(GuidOfInstanceId("SCSI\\VEN_KESTREL&DEV_DVX4400DUO"), pFound, kind));
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
             ReplaceGuid(dir / "bridge.metainfo.xml", "3fdc1f8c-27b1-5cd2-9f2a-3f7f1ac4f1c0");
             return dir;
         },
         "bridge.metainfo.xml", "it is for another product"},
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
        {"duplicate memory",
         [](FirmwarePackageTest&, const fs::path& dir) {
             ReplaceGuid(dir / "ui-firmware.metainfo.xml", Guid(dir / "bridge.metainfo.xml"));
             return dir;
         },
         "ui-firmware.bin", "the memory is named twice"},
        {"cabinet too large",
         [](FirmwarePackageTest&, const fs::path& dir) {
             // Zeros pack small: the archive is a few kilobytes, its files
             // two megabytes.
             PackageFiles packed;
             packed["bridge.metainfo.xml"] = ReadBytes(dir / "bridge.metainfo.xml");
             packed["bridge.bin"] = std::vector<BYTE>(2 * 1024 * 1024, 0);
             EXPECT_TRUE(WriteCabinet(dir / "big.cab", packed));
             EXPECT_LT(fs::file_size(dir / "big.cab"), 64u * 1024);
             return dir / "big.cab";
         },
         "big.cab", "would take more than the enclosure's memories hold"},
        {"directory too large",
         [](FirmwarePackageTest&, const fs::path& dir) {
             // Beside the package, more than a package may hold.
             for (const char* pszName : {"junk-1.bin", "junk-2.bin"}) {
                 std::ofstream(dir / pszName, std::ios::binary) << std::string(800 * 1024, 'x');
             }
             return dir;
         },
         "case", "would take more than the enclosure's memories hold"},
    };
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate(), u"--as-real-unit"}).nExit, 0);
    const auto before = State(Root() / "enclosure");
    int nCase = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        if (!kMakesCabinets && std::string_view(c.pszFile).ends_with(".cab")) {
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
