#pragma once

// How the emulated enclosure is attached: what the storage stack reports
// about the bus, and what a command costs in time on it.

#include <cstdint>
#include <span>
#include <string_view>

#include "device/DevicePort.h"

namespace rf::emu {

struct BusProfile {
    const char* pszName;  // "usb2", "usb2-slow", "usb11", "ieee1394"...
    int nBusType;
    BYTE nMajorVersion;
    BYTE nMinorVersion;
    std::uint32_t nCommandMicroseconds;  // one command's round trip without data
    std::uint32_t nNanosecondsPerByte;   // data phase
    const char* pszDescription;          // what the figures stand for
};

std::span<const BusProfile> BusProfiles();
// By name, or null.
const BusProfile* FindBusProfile(std::string_view name);
const BusProfile& DefaultBusProfile();  // USB 2.0, the fast end

// The time one command of nBytes takes on the bus.
std::uint64_t CommandMicroseconds(const BusProfile& bus, std::uint64_t nBytes);

}  // namespace rf::emu
