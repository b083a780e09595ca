// The broker's command filter: every command of every preset's update goes
// through the broker and comes out the same (the digests every update is
// held against), and a catalogue of other commands is refused.

#include <gtest/gtest.h>

#include <vector>

#include "base/ExitStatus.h"
#include "base/Text.h"
#include "broker/CommandFilter.h"
#include "broker/LoopbackBroker.h"
#include "device/BridgeCommands.h"
#include "emulation/EmulatorPresets.h"
#include "support/CliFixture.h"
#include "support/GoldenTraces.h"

namespace rf::test {
namespace {

constexpr auto kIn = TraceDirection::In;
constexpr auto kOut = TraceDirection::Out;
constexpr auto kNone = TraceDirection::None;

struct Command {
    const char* pszWhat;
    std::vector<BYTE> cdb;
    TraceDirection direction;
    UINT nLength;
};

template <std::size_t N>
std::vector<BYTE> Bytes(const std::array<BYTE, N>& block) {
    return {block.begin(), block.end()};
}

std::vector<BYTE> With(std::vector<BYTE> cdb, std::size_t nAt, BYTE nValue) {
    cdb[nAt] = nValue;
    return cdb;
}

// Reads and writes of the disk behind the bridge in every size, ATA
// commands passed through, and the vendor blocks in shapes or lengths the
// device layer never sends.
const Command kRefused[] = {
    {"READ(6)", {0x08, 0, 0, 0, 1, 0}, kIn, 512},
    {"WRITE(6)", {0x0A, 0, 0, 0, 1, 0}, kOut, 512},
    {"READ(10)", {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, kIn, 512},
    {"WRITE(10)", {0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0}, kOut, 512},
    {"READ(12)", {0xA8, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}, kIn, 512},
    {"WRITE(12)", {0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}, kOut, 512},
    {"READ(16)", {0x88, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}, kIn, 512},
    {"WRITE(16)", {0x8A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}, kOut, 512},
    {"WRITE SAME(10)", {0x41, 0, 0, 0, 0, 0, 0, 0, 1, 0}, kOut, 512},
    {"WRITE SAME(16)", {0x93, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}, kOut, 512},
    {"UNMAP", {0x42, 0, 0, 0, 0, 0, 0, 0, 24, 0}, kOut, 24},
    {"ATA PASS-THROUGH(12)", {0xA1, 0x08, 0x0E, 0, 1, 0, 0, 0, 0xEC, 0, 0, 0}, kIn, 512},
    {"ATA PASS-THROUGH(16)",
     {0x85, 0x0A, 0x06, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0x35, 0},
     kOut,
     512},
    {"INQUIRY of a VPD page", {0x12, 0x01, 0x80, 0, 0xFE, 0}, kIn, 254},
    {"INQUIRY of another length", {0x12, 0, 0, 0, 0x60, 0}, kIn, 0x60},
    {"FLASH window read of 65 bytes", Bytes(FlashWindowBlock(kSubRead, 0x20000, 65)), kIn, 65},
    {"FLASH window read moving more than it says", Bytes(FlashWindowBlock(kSubRead, 0, 64)), kIn,
     128},
    {"FLASH window write turned into a read", Bytes(FlashWindowBlock(kSubWrite, 0, 64)), kIn, 64},
    {"FLASH window write of 65 bytes", Bytes(FlashWindowBlock(kSubWrite, 0, 65)), kOut, 65},
    {"FLASH window sub-command 3", With(Bytes(FlashWindowBlock(kSubRead, 0, 8)), 1, 3), kIn, 8},
    {"FLASH window read with byte 6 set", With(Bytes(FlashWindowBlock(kSubRead, 0, 8)), 6, 1), kIn,
     8},
    {"FLASH window read in 12 bytes", {0xFD, 1, 0, 2, 0, 0, 0, 0, 8, 0, 0, 0}, kIn, 8},
    {"host EEPROM write of 9 bytes", Bytes(HostEepromBlock(kSubWrite, 0, 9)), kOut, 9},
    {"host EEPROM read of 65 bytes", Bytes(HostEepromBlock(kSubRead, 0, 65)), kIn, 65},
    {"host EEPROM read with a 32-bit address", With(Bytes(HostEepromBlock(kSubRead, 0, 8)), 3, 1),
     kIn, 8},
    {"CPU EEPROM byte write", Bytes(CpuEepromWriteBlock(0x0102, 0x41)), kNone, 0},
    {"CPU EEPROM read of 513 bytes", Bytes(CpuEepromReadBlock(0)), kIn, 513},
    {"bridge restart with data", Bytes(kBridgeRestartBlock), kOut, 1},
    {"bridge restart of another kind", With(Bytes(kBridgeRestartBlock), 9, 2), kNone, 0},
    {"UI state of 8 bytes", Bytes(kUiStateBlock), kIn, 8},
    {"UI mode 0", Bytes(UiModeBlock(0)), kNone, 0},
    {"UI mode 5", Bytes(UiModeBlock(5)), kNone, 0},
    {"UI link write of 261 bytes", Bytes(UiLinkBlock(kSubUiLinkWrite, 261)), kOut, 261},
    {"UI link read of one byte in one", Bytes(UiLinkBlock(kSubUiLinkReadData, 1)), kIn, 1},
    {"UI link read data of 261 bytes", Bytes(UiLinkBlock(kSubUiLinkReadData, 261)), kIn, 261},
    {"UI link sub-command 0x13", Bytes(UiLinkBlock(0x13, 4)), kIn, 4},
    {"FLASH image not padded", Bytes(kFlashImageBlock), kOut, 55168},
    {"FLASH image longer than 128 KiB", Bytes(kFlashImageBlock), kOut, 0x20200},
    {"FLASH image read back", Bytes(kFlashImageBlock), kIn, 512},
    {"FLASH image block with an address", With(Bytes(kFlashImageBlock), 5, 1), kOut, 512},
    {"opcode 0xFB", {0xFB, 0, 0, 0, 0, 0, 0, 0, 0, 0}, kNone, 0},
};

TEST(CommandFilterTest, RefusesEveryCommandOfTheCatalogue) {
    for (const Command& command : kRefused) {
        EXPECT_EQ(MatchCommand(command.cdb, command.direction, command.nLength), nullptr)
            << command.pszWhat;
    }
}

// The derivation from the builders: each row takes its own blocks at the
// ends of its parameter's range and of its lengths.
TEST(CommandFilterTest, EachRowTakesItsBuildersBlocksAtTheirLimits) {
    for (const CommandShape& shape : CommandShapes()) {
        for (const DWORD dwParameter : {shape.dwMinParameter, shape.dwMaxParameter}) {
            for (const UINT nLength : {shape.nMinLength, shape.nMaxLength}) {
                const bool bField = shape.rule == TransferRule::LengthField ||
                                    shape.rule == TransferRule::LengthFieldOrTwo;
                const BuiltBlock block =
                    shape.pBuild(dwParameter, bField ? static_cast<WORD>(nLength) : 0);
                const UINT nTransfer =
                    shape.rule == TransferRule::LengthFieldOrTwo && nLength == 1 ? 2 : nLength;
                EXPECT_EQ(
                    MatchCommand({block.bytes.data(), block.nLength}, shape.direction, nTransfer),
                    &shape)
                    << shape.pszName << " " << dwParameter << " " << nLength;
            }
        }
    }
}

// The terminal front end over drives it reaches through the broker alone.
class BrokerTracesTest : public CCliFixture {
protected:
    IDeviceSystem& ComputerDrives() override { return *m_pBroker; }

    TraceDigest UpdateThroughBroker(const Scene& scene, std::vector<std::string>& log) {
        emu::CEmulatedDeviceSystem emulated;
        std::string strError;
        const auto enclosure =
            MakeEmulatedEnclosure(scene.pszPreset, scene.pszFlashChip, "", strError);
        EXPECT_NE(enclosure, nullptr) << strError;
        enclosure->EnableTrace(false);
        emulated.Attach(u"/dev/sg1", enclosure);
        m_pBroker = std::make_unique<CTracedLoopbackBroker>(emulated);
        std::vector<std::u16string> update = {u"update", u"--yes"};
        if (NeverNamed(scene)) {
            update.push_back(u"/IgnoreMissingUnitName");
        }
        const CliRun run = Run(update);
        EXPECT_NE(run.nExit, kExitNothing) << run.strErr;
        log = m_pBroker->broker.log;
        const TraceDigest digest = m_pBroker->digest;
        m_pBroker.reset();
        return digest;
    }

private:
    std::unique_ptr<CTracedLoopbackBroker> m_pBroker;
};

TEST_F(BrokerTracesTest, EveryPresetsUpdateSendsItsCommandsUnchanged) {
    for (const Scene& scene : kScenes) {
        std::vector<std::string> log;
        EXPECT_EQ(UpdateThroughBroker(scene, log), scene.trace)
            << scene.pszPreset << " " << scene.pszFlashChip;
        for (const std::string& strLine : log) {
            EXPECT_EQ(strLine.find("refused"), std::string::npos) << strLine;
        }
    }
}

}  // namespace
}  // namespace rf::test
