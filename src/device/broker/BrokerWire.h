#pragma once

// What the program and reflasher-broker say to each other over the
// broker's socket. Every message is one frame: a 4-byte big-endian length,
// then that many bytes, the first of them the kind of request. Every field
// has a bound; a frame that breaks one, or holds a byte more or less than
// its fields, is refused whole and nothing of it is used.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/Types.h"
#include "device/BridgeCommands.h"
#include "device/CommandTrace.h"
#include "device/DevicePort.h"

namespace rf {

// Where the broker listens unless it is told otherwise.
inline constexpr char kDefaultBrokerSocket[] = "/run/reflasher/broker.socket";

inline constexpr std::size_t kBrokerFrameHeader = 4;
// The longest frame: a FLASH image going out, with its request's fields.
inline constexpr std::uint32_t kMaxBrokerFrame = kFlashImageMax + 64;
inline constexpr std::size_t kMaxBrokerText = 512;  // a path, a name, a mount point
inline constexpr std::size_t kMaxBrokerDrives = 256;
inline constexpr std::size_t kMaxBrokerVolumes = 64;

enum class BrokerRequestKind : BYTE {
    ListDrives = 1,
    OpenDrive = 2,      // this connection's one drive, identified by the broker
    Scsi = 3,           // one attempt of one command on the open drive
    Describe = 4,       // bus, address and disk number of the open drive
    PrepareVolumes = 5  // nothing on the open drive in use, its file systems offline
};

// Why the broker did not do what was asked.
enum class BrokerRefusal : BYTE {
    None = 0,
    Peer = 1,          // this user may not use the broker
    NotListed = 2,     // no drive of the computer has that path, or it cannot be opened
    NotSupported = 3,  // the drive is not a supported enclosure
    Command = 4,       // a command the updater never sends
    NoDrive = 5,       // no drive is open on this connection
};
inline constexpr BYTE kLastBrokerRefusal = 5;

struct BrokerRequest {
    BrokerRequestKind kind = BrokerRequestKind::ListDrives;
    // OpenDrive: the drive's path as the drive list gives it, and whether
    // the products of the EnableAllProducts option count (for root only).
    std::string strPath;
    bool bAllProducts = false;
    // Scsi: the block, the direction of its data, the bytes asked for or
    // sent (dataOut holds them when the direction is Out).
    std::array<BYTE, 16> cdb{};
    BYTE nCdbLength = 0;
    TraceDirection direction = TraceDirection::None;
    UINT nLength = 0;
    std::vector<BYTE> dataOut;
};

struct BrokerAnswer {
    BrokerRequestKind kind = BrokerRequestKind::ListDrives;
    BrokerRefusal refusal = BrokerRefusal::None;  // anything else: no more fields
    // Scsi: delivered; Describe: each query's own result; PrepareVolumes:
    // nothing in use.
    bool bOk = false;
    std::vector<PhysicalDrive> drives;
    // Scsi: the status, the sense bytes, the bytes moved and those that came in.
    BYTE nStatus = 0;
    std::vector<BYTE> sense;
    UINT nMoved = 0;
    std::vector<BYTE> dataIn;
    // Describe.
    bool bAdapterOk = false;
    StorageAdapterDescriptor adapter;
    bool bDeviceOk = false;
    StorageDeviceDescriptor device;
    bool bAddressOk = false;
    ScsiAddress address;
    bool bNumberOk = false;
    StorageDeviceNumber number;
    // PrepareVolumes.
    VolumeReport volumes;
};

enum class FrameRead { NeedMore, Done, Malformed };

// Reads the frame at the start of buffer. Done: the message is filled in and
// nConsumed is the frame's length. NeedMore: the frame is not whole yet.
// Malformed: the bytes cannot be a frame of this format.
FrameRead ReadBrokerRequest(std::span<const BYTE> buffer, BrokerRequest& request,
                            std::size_t& nConsumed);
FrameRead ReadBrokerAnswer(std::span<const BYTE> buffer, BrokerAnswer& answer,
                           std::size_t& nConsumed);

// The frame of a message. Fields beyond their bounds are cut to them, so
// that what is written can always be read.
std::vector<BYTE> WriteBrokerRequest(const BrokerRequest& request);
std::vector<BYTE> WriteBrokerAnswer(const BrokerAnswer& answer);

}  // namespace rf
