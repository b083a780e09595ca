#include "emulator/BusProfile.h"

#include <array>

namespace rf::emu {

namespace {

// A mass-storage command is three transactions on the bus (command wrapper,
// data, status wrapper), each scheduled by the host controller, plus the
// operating system's turnaround between one command and the next.
//
// - High-speed USB schedules in 125 us microframes; a host that puts all
//   three phases of a command into consecutive microframes manages about one
//   command per microframe: the fast end. A host with interrupt moderation
//   and a busy driver stack answers about once a millisecond: the slow end.
//   Bulk data moves at about 30 MB/s in practice.
// - Full-speed USB schedules in 1 ms frames and a phase cannot finish before
//   its frame: at least three frames a command; bulk data at about 1 MB/s.
// - IEEE 1394 (SBP-2): the target fetches the ORB and writes its status
//   block; about 100 us a command on an S400 link with a fast host, about a
//   millisecond on an S100 link or a slow host.
//
// The default is the fast end of USB 2.0, so that tests and traces of the
// usual case keep their figures; every bound of the updater is set for the
// slowest of these.
constexpr std::array kProfiles = std::to_array<BusProfile>({
    {"usb2", BusTypeUsb, 2, 0, 125, 30, "USB 2.0 high speed, fast host: a command per microframe"},
    {"usb2-slow", BusTypeUsb, 2, 0, 1'000, 30,
     "USB 2.0 high speed, slow host: about a millisecond a command"},
    {"usb11", BusTypeUsb, 1, 1, 3'000, 1'000,
     "USB 1.1 full speed: a 1 ms frame for each of command, data and status"},
    {"usb10", BusTypeUsb, 1, 0, 3'000, 1'000, "USB 1.0 full speed, as USB 1.1"},
    {"ieee1394", BusType1394, 1, 0, 100, 25,
     "IEEE 1394 S400, fast host: ORB fetch and status write"},
    {"ieee1394-slow", BusType1394, 1, 0, 1'000, 80,
     "IEEE 1394 S100 or a slow host: about a millisecond a command"},
    {"scsi", BusTypeScsi, 2, 0, 50, 10, "parallel SCSI"},
    {"ata", BusTypeAta, 0, 0, 50, 10, "ATA"},
});

}  // namespace

std::span<const BusProfile> BusProfiles() {
    return kProfiles;
}

const BusProfile* FindBusProfile(std::string_view name) {
    for (const BusProfile& profile : kProfiles) {
        if (name == profile.pszName) {
            return &profile;
        }
    }
    return nullptr;
}

const BusProfile& DefaultBusProfile() {
    return kProfiles[0];
}

std::uint64_t CommandMicroseconds(const BusProfile& bus, std::uint64_t nBytes) {
    return bus.nCommandMicroseconds + nBytes * bus.nNanosecondsPerByte / 1000;
}

}  // namespace rf::emu
