#pragma once

// The start-up steps both front ends share: the program's own version
// record, the options, and the title that becomes every caption.

#include <string>
#include <vector>

#include "base/CommandLine.h"
#include "base/Types.h"

namespace rf {

inline constexpr UINT IDD_MAIN_DIALOG = 102;  // full dialog, vendor mode
inline constexpr UINT IDD_USER_DIALOG = 103;  // reduced dialog for owners

// Checks the version record (message 900 and false when it cannot be read;
// the options are then not parsed), parses the arguments into theCmdInfo,
// builds the title "%s Ver.%s" from FileDescription and FileVersion and makes
// it the application name. args excludes the program name.
bool StartApplication(const std::vector<std::u16string>& args, std::u16string& title);

// The dialog template the options select.
UINT SelectDialogTemplate(const CReflasherCommandLineInfo& info);

}  // namespace rf
