#include <gtest/gtest.h>

#include <filesystem>

#include "backup/BackupSet.h"
#include "backup/UnitBackup.h"
#include "base/FilePath.h"
#include "base/Text.h"
#include "device/FindDevice.h"
#include "emulation/EmulatorPresets.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "support/TempFiles.h"
#include "support/TestEnvironment.h"
#include "update/FirmwareUpdate.h"

namespace rf::test {

namespace {

// A unit of the preset read as an update reads it, then read into a backup.
class UnitBackupTest : public ::testing::Test {
protected:
    UnitBackupResult BackUp(const char* pszPreset) {
        std::string strError;
        auto pEnclosure = MakeEmulatedEnclosure(pszPreset, "", "", strError);
        EXPECT_NE(pEnclosure, nullptr) << strError;
        emulated.Attach(u"sdb", pEnclosure);
        update.RefreshImages();
        EXPECT_EQ(SearchDevice(update.m_device), DeviceChange::Found);
        EXPECT_TRUE(update.ReadUnit(nullptr));
        CBackupSet set(directory, BackupFileNames(nullptr));
        EXPECT_TRUE(set.Begin(strError)) << strError;
        const UnitReading unit = {update.m_device, update.m_romFlash, update.m_romHost,
                                  update.m_romCpu, update.m_romUI78K, update.m_romUIRSC};
        return ReadUnitIntoBackup(unit, set, directory);
    }

    UnitManifest Manifest() {
        std::string strError;
        const std::optional<UnitManifest> manifest =
            ReadUnitManifest(PathToUtf8(directory), strError);
        EXPECT_TRUE(manifest) << strError;
        return manifest.value_or(UnitManifest{});
    }

    CTestEnvironment env;
    CTempFiles files;
    const std::filesystem::path directory = std::filesystem::path(files.Root()) / "backup";
    emu::CEmulatedDeviceSystem emulated;
    CFirmwareUpdate update{emulated};
};

}  // namespace

TEST_F(UnitBackupTest, AUnitIsSavedWholeWithAManifestThatSaysWhatItWas) {
    const UnitBackupResult result = BackUp("row1");
    ASSERT_TRUE(result.bDone) << result.strError;
    EXPECT_FALSE(update.m_device.IsOpen()) << "the device is closed once read";
    const UnitManifest manifest = Manifest();
    EXPECT_EQ(manifest.strSerial, Utf16ToUtf8(update.m_romCpu.m_strSerialNo));
    EXPECT_EQ(manifest.memories[MemoryKind::Host].wVersion, update.m_romHost.m_wDeviceVersion);
    EXPECT_EQ(manifest.memories[MemoryKind::Resource].read, MemoryRead::Whole);
    EXPECT_EQ(manifest.strFlashVersion, FlashVersionString(update.m_romFlash));
    // Every file the manifest names is there, in its size, and nothing else.
    EXPECT_TRUE(UnnamedBackupFiles(PathToUtf8(directory), manifest).empty());
    for (std::size_t i = 0; i < kMemoryCount; ++i) {
        if (manifest.memories[i].read != MemoryRead::Unreadable) {
            EXPECT_EQ(std::filesystem::file_size(directory / Memories()[i].pszBackupFile),
                      manifest.memories[i].nBytes)
                << Memories()[i].pszKey;
        }
    }
    // The notes name each saved file, the manifest last.
    ASSERT_FALSE(result.notes.empty());
    EXPECT_EQ(result.notes.back().path.filename(), kUnitManifestFile);
}

TEST_F(UnitBackupTest, AFrontPanelWithoutFirmwareLeavesTheResourceOutNotTheBackup) {
    const UnitBackupResult result = BackUp("ui-state0");
    ASSERT_TRUE(result.bDone) << result.strError;
    EXPECT_EQ(Manifest().memories[MemoryKind::Resource].read, MemoryRead::Unreadable);
    EXPECT_FALSE(std::filesystem::exists(directory / "spi-flash.bin"));
    bool bNoted = false;
    for (const BackupNote& note : result.notes) {
        bNoted = bNoted || note.kind == BackupNote::NoResource;
    }
    EXPECT_TRUE(bNoted);
}

}  // namespace rf::test
