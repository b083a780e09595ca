#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "backup/UnitManifest.h"
#include "support/TempFiles.h"

namespace rf::test {

namespace {

UnitManifest FullManifest() {
    UnitManifest manifest;
    manifest.strVendor = "KESTREL";
    manifest.strProduct = "DVX4400DUO";
    manifest.strRevision = "0027";
    manifest.bEmulatedEnclosure = true;
    manifest.nBusType = 7;
    manifest.nBusMajor = 2;
    manifest.nBusMinor = 0;
    manifest.strBusName = "USB 2.0";
    manifest.flashChip = {WORD{0xB6BF}, "SST SST39VF020"};
    manifest.strSerial = "A1B2C3";
    manifest.strUiSerial = "UI-0001";
    manifest.nUiState = 2;
    manifest.bUiDebugger = true;
    manifest.infoBlock = std::array<BYTE, 16>{0x00, 0x01, 0xAB, 0xFF, 0x10};
    manifest.strFlashVersion = "DVX4400 2013/11/12";
    manifest.memories[MemoryKind::Flash] = {MemoryRead::Part, 0x20000, 0x0027, 0, 0};
    manifest.memories[MemoryKind::Host] = {MemoryRead::Whole, 0x2000, 0xC018, 0, 0};
    manifest.memories[MemoryKind::Cpu] = {MemoryRead::Whole, 0x800, 0x0001, 0, 0};
    manifest.memories[MemoryKind::Ui] = {MemoryRead::Unreadable, 0, 0x0029, 0x4321, 0x1234};
    manifest.memories[MemoryKind::Resource] = {MemoryRead::Whole, 0x80000, 0x0023, 1, 2};
    return manifest;
}

void WriteManifest(const CTempFiles& files, const std::string& strText) {
    std::ofstream(std::filesystem::path(files.Root()) / kUnitManifestFile) << strText;
}

// The written manifest with the first occurrence of a piece replaced.
std::string Edited(const std::string& strFrom, const std::string& strTo) {
    std::string strText = FormatUnitManifest(FullManifest());
    const std::size_t nAt = strText.find(strFrom);
    EXPECT_NE(nAt, std::string::npos) << strFrom;
    return nAt == std::string::npos ? strText : strText.replace(nAt, strFrom.size(), strTo);
}

}  // namespace

TEST(UnitManifestTest, WhatIsWrittenReadsBackFieldForField) {
    CTempFiles files;
    const UnitManifest written = FullManifest();
    WriteManifest(files, FormatUnitManifest(written));
    std::string strError;
    const std::optional<UnitManifest> read = ReadUnitManifest(files.Root(), strError);
    ASSERT_TRUE(read) << strError;
    EXPECT_EQ(read->strVendor, written.strVendor);
    EXPECT_EQ(read->strProduct, written.strProduct);
    EXPECT_EQ(read->strRevision, written.strRevision);
    EXPECT_TRUE(read->bEmulatedEnclosure);
    EXPECT_EQ(read->nBusType, 7);
    EXPECT_EQ(read->nBusMajor, 2);
    EXPECT_EQ(read->strBusName, written.strBusName);
    EXPECT_EQ(read->flashChip.id, written.flashChip.id);
    EXPECT_EQ(read->flashChip.strName, written.flashChip.strName);
    EXPECT_FALSE(read->spiChip.id) << "an unidentified chip stays unidentified";
    EXPECT_EQ(read->strSerial, written.strSerial);
    EXPECT_EQ(read->strUiSerial, written.strUiSerial);
    EXPECT_EQ(read->nUiState, 2);
    EXPECT_TRUE(read->bUiDebugger);
    EXPECT_EQ(read->infoBlock, written.infoBlock);
    EXPECT_EQ(read->strFlashVersion, written.strFlashVersion);
    for (std::size_t i = 0; i < kMemoryCount; ++i) {
        const ManifestMemory& a = read->memories[i];
        const ManifestMemory& b = written.memories[i];
        EXPECT_EQ(a.read, b.read) << i;
        EXPECT_EQ(a.nBytes, b.nBytes) << i;
        EXPECT_EQ(a.wVersion, b.wVersion) << i;
        EXPECT_EQ(a.wDate, b.wDate) << i;
        EXPECT_EQ(a.wTime, b.wTime) << i;
    }
}

TEST(UnitManifestTest, AManifestThatIsNotWholeOrNotOursIsRefusedWithItsReason) {
    const struct {
        const char* pszCase;
        std::string strText;  // empty: no manifest at all
        const char* pszReason;
    } cases[] = {
        {"missing", "", "missing"},
        {"not json", "{\"format\": 1,", ""},
        {"not an object", "[1, 2]", "not an object"},
        {"later format", Edited("\"format\":1", "\"format\":2"), "format 2"},
        {"unknown read", Edited("\"read\":\"part\"", "\"read\":\"most\""), "most"},
        {"ui read", Edited("\"read\":\"unreadable\"", "\"read\":\"whole\""), "cannot have been"},
        {"short block", Edited("\"info_block\":\"", "\"info_block\":\"0"), "info_block"},
        {"no inquiry", Edited("\"inquiry\"", "\"enquiry\""), "inquiry"},
    };
    for (const auto& c : cases) {
        CTempFiles files;
        if (!c.strText.empty()) {
            WriteManifest(files, c.strText);
        }
        std::string strError;
        EXPECT_FALSE(ReadUnitManifest(files.Root(), strError)) << c.pszCase;
        EXPECT_NE(strError.find(c.pszReason), std::string::npos) << c.pszCase << ": " << strError;
    }
    // A huge file is refused by its size, before it is read.
    CTempFiles files;
    WriteManifest(files, std::string(128 * 1024, ' '));
    std::string strError;
    EXPECT_FALSE(ReadUnitManifest(files.Root(), strError));
    EXPECT_NE(strError.find("bytes"), std::string::npos) << strError;
}

TEST(UnitManifestTest, OnlyTheFilesTheManifestNamesBelongToTheBackup) {
    UnitManifest manifest = FullManifest();
    manifest.memories[MemoryKind::Resource].read = MemoryRead::Unreadable;
    const std::vector<std::string> expected = {
        kUnitManifestFile, "flash-rom.bin", "seeprom-host.bin", "seeprom-cpu.bin", kInfoBlockFile};
    EXPECT_EQ(BackupFileNames(&manifest), expected) << "no file of a memory not read";
    manifest.infoBlock.reset();
    EXPECT_EQ(BackupFileNames(&manifest).size(), 4u);
    // The names earlier backups were written with: the memory table must
    // keep them, or those backups no longer read back.
    const std::vector<std::string> every = {kUnitManifestFile, "flash-rom.bin", "seeprom-host.bin",
                                            "seeprom-cpu.bin", "spi-flash.bin", kInfoBlockFile};
    EXPECT_EQ(BackupFileNames(nullptr), every) << "every name a backup can hold";

    CTempFiles files;
    for (const char* pszName : {"flash-rom.bin", "spi-flash.bin", "notes.txt"}) {
        std::ofstream(std::filesystem::path(files.Root()) / pszName) << "x";
    }
    const std::vector<std::string> unnamed = {"notes.txt", "spi-flash.bin"};
    EXPECT_EQ(UnnamedBackupFiles(files.Root(), manifest), unnamed);
}

}  // namespace rf::test
