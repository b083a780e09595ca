#include "emulator/tcmu/EnclosureTarget.h"

#include <algorithm>

#include "device/BridgeCommands.h"
#include "emulator/tcmu/DiskCommands.h"

namespace rf::emu {

namespace {

// The bridge learns a command's direction from its USB transport; the
// kernel's ring does not say it, so it is taken from the command block.
// These carry data to the device; every other command's data comes back.
struct DataOutCommand {
    BYTE nOpcode;
    int nSub;  // cdb[1], or kAnySub
};

constexpr int kAnySub = -1;

constexpr DataOutCommand kDataOutCommands[] = {
    {kOpUi, kSubUiLinkWrite},
    {kOpHostEeprom, kSubWrite},
    {kOpFlashWindow, kSubWrite},
    {kOpFlashImage, kAnySub},
    {0x0A, kAnySub},  // WRITE(6)
    {0x2A, kAnySub},  // WRITE(10)
    {0x8A, kAnySub},  // WRITE(16)
};

// By the top three bits of the opcode.
constexpr BYTE kGroupLengths[8] = {6, 10, 10, 0, 16, 12, 10, 10};

// A command that never reached the bridge (no power, a failed transfer). The
// kernel's ring carries no transport errors, so it stands as the bridge
// losing its link to the disk: ABORTED COMMAND, logical unit communication failure.
constexpr SenseCode kSenseNotDelivered = {0x0B, 0x08, 0x00};

bool CarriesDataOut(std::span<const BYTE> cdb) {
    return std::any_of(std::begin(kDataOutCommands), std::end(kDataOutCommands),
                       [&](const DataOutCommand& c) {
                           return c.nOpcode == cdb[0] && (c.nSub == kAnySub || c.nSub == cdb[1]);
                       });
}

}  // namespace

BYTE CommandBlockLength(BYTE nOpcode) {
    return kGroupLengths[nOpcode >> 5];
}

TargetAnswer CEnclosureTarget::Execute(std::span<const BYTE> cdb, std::span<BYTE> data) {
    const BYTE nLength = cdb.empty() ? 0 : CommandBlockLength(cdb[0]);
    if (nLength == 0 || cdb.size() < nLength) {
        return CheckCondition(kSenseInvalidOpcode);
    }
    cdb = cdb.first(nLength);
    const bool bDataOut = CarriesDataOut(cdb);
    if (!bDataOut) {
        std::fill(data.begin(), data.end(), BYTE{0});
    }
    if (IsDiskCommand(cdb[0])) {
        // The disk is reached through the bridge: without power it is gone too.
        return m_enclosure.IsPowered() ? AnswerDiskCommand(m_disk, cdb, data)
                                       : CheckCondition(kSenseNotDelivered);
    }

    ScsiRequest request;
    std::copy(cdb.begin(), cdb.end(), request.Cdb.begin());
    request.CdbLength = nLength;
    request.DataIn = bDataOut ? 0 : 1;
    request.DataBuffer = data.empty() ? nullptr : data.data();
    request.DataTransferLength = static_cast<UINT>(data.size());
    if (!m_enclosure.Execute(request)) {
        return CheckCondition(kSenseNotDelivered);
    }
    TargetAnswer answer;
    answer.nStatus = request.ScsiStatus;
    answer.nSenseLength =
        std::min<BYTE>(request.SenseInfoLength, static_cast<BYTE>(answer.sense.size()));
    std::copy_n(request.Sense.begin(), answer.nSenseLength, answer.sense.begin());
    answer.nTransferred = request.DataTransferLength;
    answer.bDataIn = !bDataOut;
    return answer;
}

}  // namespace rf::emu
