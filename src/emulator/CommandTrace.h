#pragma once

// The emulated enclosure records its commands in the program's own trace format.

#include "device/CommandTrace.h"

namespace rf::emu {

using rf::FormatTraceLine;
using rf::MakeTraceEntry;
using rf::TraceDirection;
using rf::TraceEntry;

}  // namespace rf::emu
