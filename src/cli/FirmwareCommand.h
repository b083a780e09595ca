#pragma once

// The images the program carries and firmware packages, at the terminal:
// `firmware export DIR`, `firmware pack OUT.cab DIR`, `firmware show
// [PATH]`, the line of --version that names the carried set, and the check
// of --firmware before any device is touched.

#include <iosfwd>
#include <string>

namespace rf {

struct CliOptions;
struct CommandStreams;

int RunFirmwareCommand(const CliOptions& options, CommandStreams& streams);

// "Carried images: test set (for the emulated enclosure only)" or
// "Carried images: vendor set, product version Ver.1.01".
std::u16string CarriedImagesLine();

// --firmware PATH read and checked whole; false (with the fault on err)
// when it cannot be used. True without the option.
bool CheckFirmwareOption(const CliOptions& options, std::ostream& err);

}  // namespace rf
