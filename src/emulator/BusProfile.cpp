#include "emulator/BusProfile.h"

#include <array>

namespace rf::emu {

namespace {

// A mass-storage command costs three transactions on USB (command, data,
// status): about one microframe on a high-speed link, about two frames on a
// full-speed one. IEEE 1394 moves an ORB and its status in much the same
// time as high-speed USB.
constexpr std::array kProfiles = std::to_array<BusProfile>({
    {"usb2", BusTypeUsb, 2, 0, 125, 30},
    {"usb11", BusTypeUsb, 1, 1, 2000, 1000},
    {"usb10", BusTypeUsb, 1, 0, 2000, 1000},
    {"ieee1394", BusType1394, 1, 0, 100, 25},
    {"scsi", BusTypeScsi, 2, 0, 50, 10},
    {"ata", BusTypeAta, 0, 0, 50, 10},
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
