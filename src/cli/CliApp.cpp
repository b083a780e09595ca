#include "cli/CliApp.h"

#include <array>
#include <ostream>

#include "app/Messages.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/Text.h"
#include "cli/TerminalMessageBoxes.h"
#include "device/ProductTable.h"
#include "device/os/linux/SysfsTree.h"

namespace rf {

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void PrintLine(std::ostream& stream, const std::u16string& text) {
    stream << Utf16ToUtf8(text) << '\n';
}

// The vendor and product fields as INQUIRY holds them: 8 and 16 bytes,
// padded with spaces.
std::array<BYTE, 24> InquiryVendorProduct(const std::string& strVendor,
                                          const std::string& strModel) {
    std::array<BYTE, 24> fields;
    fields.fill(' ');
    for (std::size_t i = 0; i < strVendor.size() && i < 8; ++i) {
        fields[i] = static_cast<BYTE>(strVendor[i]);
    }
    for (std::size_t i = 0; i < strModel.size() && i < 16; ++i) {
        fields[8 + i] = static_cast<BYTE>(strModel[i]);
    }
    return fields;
}

int ListDrives(CliContext& context) {
    const std::vector<SysfsScsiDisk> disks = context.sysfs.ListScsiDisks();
    if (disks.empty()) {
        PrintLine(context.out, LoadResString(IDS_CLI_NO_DRIVES));
        return kExitSuccess;
    }
    PrintLine(context.out, LoadResString(IDS_CLI_DRIVES_HEADER));
    for (const SysfsScsiDisk& disk : disks) {
        const SysfsBusInfo bus = context.sysfs.ClassifyBus(disk.strDeviceDir);
        const auto fields = InquiryVendorProduct(disk.strVendor, disk.strModel);
        const bool bSupported = bus.nBusType != BusTypeAta && bus.nBusType != BusTypeAtapi &&
                                ProductClassOf(fields.data(), theCmdInfo.m_bEnableAllProducts) != 0;
        std::u16string line = u"  /dev/" + Widen(disk.strBlockName);
        if (!disk.strGenericName.empty()) {
            line += u" (/dev/" + Widen(disk.strGenericName) + u")";
        }
        line += u"  " + FormatBusName(bus.nBusType, bus.nMajorVersion, bus.nMinorVersion);
        line +=
            u"  " + Widen(disk.strVendor + " " + disk.strModel) + u"  " + Widen(disk.strRevision);
        line += u"  " +
                LoadResString(bSupported ? IDS_CLI_DRIVE_SUPPORTED : IDS_CLI_DRIVE_NOT_SUPPORTED);
        PrintLine(context.out, line);
    }
    return kExitSuccess;
}

}  // namespace

int RunCli(const std::vector<std::u16string>& args, CliContext& context) {
    SetCurrentLanguage(DetectLanguageFromEnvironment());
    CTerminalMessageBoxes messageBoxes(context.out, context.err, context.in, context.bInteractive);
    CScopedMessageBoxes scopedMessageBoxes(messageBoxes);

    // "--name" options belong to this front end; everything else goes to the
    // updater's own option parser, as on the window's command line.
    bool bVersion = false;
    bool bHelp = false;
    std::u16string command;
    std::vector<std::u16string> updaterArgs;
    for (const std::u16string& arg : args) {
        if (arg.starts_with(u"--")) {
            if (arg == u"--version") {
                bVersion = true;
            } else if (arg == u"--help") {
                bHelp = true;
            } else {
                PrintLine(context.err, LoadResString(IDS_CLI_UNKNOWN_OPTION) + arg);
                PrintLine(context.err, LoadResString(IDS_CLI_USAGE));
                return kExitUsage;
            }
            continue;
        }
        if (command.empty() && !arg.empty() && arg[0] != u'/' && arg[0] != u'-') {
            command = arg;
        }
        updaterArgs.push_back(arg);
    }

    std::u16string title;
    if (!StartApplication(updaterArgs, title)) {
        return kExitFailure;
    }
    if (bVersion) {
        PrintLine(context.out, title);
        return kExitSuccess;
    }
    if (bHelp || command.empty()) {
        PrintLine(bHelp ? context.out : context.err, LoadResString(IDS_CLI_USAGE));
        return bHelp ? kExitSuccess : kExitUsage;
    }
    if (command == u"list") {
        return ListDrives(context);
    }
    PrintLine(context.err, LoadResString(IDS_CLI_UNKNOWN_COMMAND) + command);
    PrintLine(context.err, LoadResString(IDS_CLI_USAGE));
    return kExitUsage;
}

}  // namespace rf
