#pragma once

// The computer's drives reached through reflasher-broker: the drive list,
// the commands and the volumes go over the broker's socket, which a user
// without the right to open the drives may use. Each open drive has a
// connection of its own; the broker forwards only the updater's own
// commands to drives it identified itself as supported enclosures.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/DevicePort.h"
#include "device/broker/BrokerWire.h"

namespace rf {

class CBrokerHandle;

// One connection to the broker: a request, then its answer.
class IBrokerChannel {
public:
    virtual ~IBrokerChannel() = default;
    // False when no sound answer of the request's kind came; the channel is
    // of no use after that.
    virtual bool Exchange(const BrokerRequest& request, BrokerAnswer& answer) = 0;
};

// A new connection to the broker; null when nobody answers.
using BrokerConnector = std::function<std::unique_ptr<IBrokerChannel>()>;

// Connections to the broker listening at a socket.
BrokerConnector SocketConnector(const std::string& strSocket);

// Something the broker would not do, and what it was asked about.
struct BrokerNotice {
    BrokerRefusal refusal = BrokerRefusal::None;
    std::u16string what;  // the drive, or the command block in hex
    bool operator==(const BrokerNotice&) const = default;
};

// The string id that tells a refusal to the user.
UINT BrokerRefusalMessage(BrokerRefusal refusal);

class CBrokerDeviceSystem final : public IDeviceSystem {
public:
    explicit CBrokerDeviceSystem(const std::string& strSocket)
        : CBrokerDeviceSystem(strSocket, SocketConnector(strSocket)) {}
    // strSocket names the broker in messages.
    CBrokerDeviceSystem(std::string strSocket, BrokerConnector connect)
        : m_strSocket(std::move(strSocket)), m_connect(std::move(connect)) {}
    ~CBrokerDeviceSystem() override;
    CBrokerDeviceSystem(const CBrokerDeviceSystem&) = delete;
    CBrokerDeviceSystem& operator=(const CBrokerDeviceSystem&) = delete;

    // Whether drives are asked for with the products of EnableAllProducts
    // (the broker honours it for root alone); set where the options are read.
    void SetAllProducts(bool bAllProducts) { m_bAllProducts = bAllProducts; }

    // Null when the socket does not answer or the broker refuses the drive.
    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override;
    // Empty when the socket does not answer or the broker refuses this user.
    std::vector<PhysicalDrive> ListPhysicalDrives() override;
    // Goes to the broker's connection of the open drive on that disk.
    bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) override;

    // Whether a drive open through this system is that disk.
    bool HoldsDisk(const StorageDeviceNumber& disk);
    const std::string& Socket() const { return m_strSocket; }
    // Whether a connection to the socket was tried and failed.
    bool Unreachable() const { return m_bUnreachable; }
    // The refusals since the last call, in order, repeats of the one before
    // left out (a refused command is offered six times).
    std::vector<BrokerNotice> TakeNotices();

    // For the handles.
    void Note(BrokerNotice notice);
    void Forget(CBrokerHandle* pHandle);

private:
    std::unique_ptr<IBrokerChannel> Connect();
    CBrokerHandle* HandleOf(const StorageDeviceNumber& disk);

    std::string m_strSocket;
    BrokerConnector m_connect;
    bool m_bUnreachable = false;
    bool m_bAllProducts = false;
    std::vector<BrokerNotice> m_notices;
    std::vector<CBrokerHandle*> m_handles;  // open, owned by their devices
};

// The drives as a program without root reaches them: opened directly where
// the system lets it, through the broker where it does not. The list is the
// system's own.
class CBrokerFallbackDeviceSystem final : public IDeviceSystem {
public:
    CBrokerFallbackDeviceSystem(IDeviceSystem& local, CBrokerDeviceSystem& broker)
        : m_local(local), m_broker(broker) {}

    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override;
    std::vector<PhysicalDrive> ListPhysicalDrives() override {
        return m_local.ListPhysicalDrives();
    }
    bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) override;

private:
    IDeviceSystem& m_local;
    CBrokerDeviceSystem& m_broker;
};

}  // namespace rf
