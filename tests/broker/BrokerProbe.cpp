// A small client of reflasher-broker for the guest check: opens the first
// supported enclosure of the broker's drive list and sends it a raw
// READ(10) of one block, the one thing a user without root must not get
// through the broker.
//
//   reflasher_broker_probe SOCKET
//
// Exit status: 0 when the broker refused the READ(10), 1 when it went
// through, 2 when no enclosure could be opened.

#include <iostream>
#include <memory>
#include <vector>

#include "base/Text.h"
#include "device/broker/BrokerDeviceSystem.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: reflasher_broker_probe SOCKET\n";
        return 2;
    }
    rf::CBrokerDeviceSystem broker(argv[1]);
    for (const rf::PhysicalDrive& drive : broker.ListPhysicalDrives()) {
        std::unique_ptr<rf::IDeviceHandle> pHandle = broker.Open(drive.strPath);
        if (pHandle == nullptr) {
            continue;
        }
        std::vector<rf::BYTE> block(512, 0);
        rf::ScsiRequest request;
        request.Cdb = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
        request.CdbLength = 10;
        request.DataIn = 1;
        request.DataBuffer = block.data();
        request.DataTransferLength = static_cast<rf::UINT>(block.size());
        const bool bDelivered = pHandle->SendScsi(request);
        for (const rf::BrokerNotice& notice : broker.TakeNotices()) {
            std::cout << "refused (" << static_cast<int>(notice.refusal)
                      << "): " << rf::Utf16ToUtf8(notice.what) << '\n';
        }
        std::cout << rf::Utf16ToUtf8(drive.strName)
                  << (bDelivered ? ": READ(10) went through\n" : ": READ(10) refused\n");
        return bDelivered ? 1 : 0;
    }
    std::cout << "no enclosure could be opened through " << argv[1] << '\n';
    return 2;
}
