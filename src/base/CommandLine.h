#pragma once

// The updater's options: "/" or "-" followed by a keyword, or NAME=value.
// Both front ends parse their command line into the one options object
// theCmdInfo, which the rest of the program only reads.

#include <string>
#include <vector>

namespace rf {

// What a command-line parser keeps of arguments it does not understand.
// Nothing in this program reads it; it exists so that such arguments have
// somewhere to go without an error.
class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    // Called once per argument, in order; bFlag when it began with "/" or
    // "-" (that character already removed); bLast for the last argument.
    virtual void ParseParam(const char16_t* pszParam, bool bFlag, bool bLast);

    std::u16string m_strFileName;  // last argument that was not a flag
    int m_nIgnoredFlags = 0;       // flags that no option matched
};

class CReflasherCommandLineInfo : public CCommandLineInfo {
public:
    void ParseParam(const char16_t* pszParam, bool bFlag, bool bLast) override;

    bool m_bAutoUpdate = false;
    bool m_bEnableVendorMode = false;
    bool m_bEnableAllProducts = false;
    bool m_bForceAmdRom = true;  // the option only sets it, so it is set in every run
    bool m_bDisableResetUI = false;
    bool m_bIgnoreLockDrivesError = false;
    // The front panel's firmware may be written with an empty name when the
    // unit's name can be neither read nor found in the journal.
    bool m_bIgnoreMissingUnitName = false;
    std::u16string m_strUIResourceFile;
    std::u16string m_strFirmwarePackage;  // Firmware=PATH: a firmware package (.cab or directory)
};

// Matches one option text (narrow characters, prefix removed) against the
// options and sets the matching field. Anything unmatched goes to the base
// class's flag handling and changes nothing of ours.
void ParseOption(const char* pszOption, CReflasherCommandLineInfo& info);

// The keywords the updater accepts, in the order they are matched; a
// NAME=value option ends in "=". For the help, the manual pages and the
// shell completion.
std::vector<std::string> UpdaterOptionKeywords();

// Hands every argument (program name excluded) to ParseParam.
void ParseCommandLine(CCommandLineInfo& info, const std::vector<std::u16string>& args);

extern CReflasherCommandLineInfo theCmdInfo;

}  // namespace rf
