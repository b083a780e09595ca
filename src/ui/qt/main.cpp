// The window program: the updater's dialog on the computer's drives, or on
// the emulated enclosure with /Emulate.

#include <QApplication>
#include <string>
#include <vector>

#include "base/Text.h"
#include "device/broker/BrokerDeviceSystem.h"
#include "device/os/linux/LinuxDeviceSystem.h"
#include "device/os/linux/UdevDeviceTree.h"
#include "ui/qt/WindowApp.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<std::u16string> args;
    // Qt has taken its own arguments (-platform and the like) out already.
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        args.push_back(arguments[i].toStdU16String());
    }
    rf::CUdevDeviceTree tree;
    rf::CLinuxVolumeSystemCalls volumeCalls;
    rf::CLinuxDeviceSystem local(tree, volumeCalls);
    // A drive the user may not open goes through the broker.
    rf::CBrokerDeviceSystem broker(rf::kDefaultBrokerSocket);
    rf::CBrokerFallbackDeviceSystem system(local, broker);
    return rf::RunWindowApp(args, system);
}
