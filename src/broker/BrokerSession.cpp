#include "broker/BrokerSession.h"

#include <algorithm>
#include <vector>

#include "base/Text.h"
#include "broker/CommandFilter.h"
#include "device/FindDevice.h"
#include "device/ProductTable.h"
#include "device/ScsiDevice.h"
#include "text/StringTable.h"

namespace rf {

namespace {

constexpr std::size_t kVendorOffset = 8;

std::string RefusalText(BrokerRefusal refusal) {
    static constexpr UINT kMessages[] = {0,
                                         IDS_BROKER_REFUSED_PEER,
                                         IDS_BROKER_REFUSED_NOT_LISTED,
                                         IDS_BROKER_REFUSED_NOT_SUPPORTED,
                                         IDS_BROKER_REFUSED_COMMAND,
                                         IDS_BROKER_REFUSED_NO_DRIVE};
    static_assert(std::size(kMessages) == kLastBrokerRefusal + 1);
    return Utf16ToUtf8(LoadResString(IDS_BROKER_REFUSED) +
                       LoadResString(kMessages[static_cast<BYTE>(refusal)]));
}

std::string DescribeCommand(const BrokerRequest& request) {
    std::string text;
    AppendHexBytes(text, std::span<const BYTE>(request.cdb.data(), request.nCdbLength));
    text += request.direction == TraceDirection::In    ? " in "
            : request.direction == TraceDirection::Out ? " out "
                                                       : " none ";
    return text + std::to_string(request.nLength);
}

}  // namespace

void CBrokerSession::Log(const std::string& strLine) const {
    if (m_log) {
        m_log(m_strPeer + ": " + strLine);
    }
}

BrokerAnswer CBrokerSession::Answer(const BrokerRequest& request) {
    BrokerAnswer answer;
    answer.kind = request.kind;
    if (m_verdict == PeerVerdict::Refused) {
        answer.refusal = BrokerRefusal::Peer;
        return answer;
    }
    switch (request.kind) {
        case BrokerRequestKind::ListDrives:
            answer.drives = m_system.ListPhysicalDrives();
            return answer;
        case BrokerRequestKind::OpenDrive:
            answer.refusal = OpenDrive(request);
            return answer;
        default:
            break;
    }
    if (m_pDrive == nullptr) {
        answer.refusal = BrokerRefusal::NoDrive;
        return answer;
    }
    switch (request.kind) {
        case BrokerRequestKind::Scsi:
            Scsi(request, answer);
            break;
        case BrokerRequestKind::Describe:
            Describe(answer);
            break;
        case BrokerRequestKind::PrepareVolumes: {
            StorageDeviceNumber number;
            answer.bOk = m_pDrive->GetDeviceNumber(number) &&
                         m_system.PrepareVolumes(number, answer.volumes);
            for (const std::u16string& target : answer.volumes.unmounted) {
                Log(Utf16ToUtf8(LoadResString(IDS_CLI_UNMOUNTED) + target));
            }
            break;
        }
        case BrokerRequestKind::ListDrives:
        case BrokerRequestKind::OpenDrive:
            break;
    }
    return answer;
}

BrokerRefusal CBrokerSession::OpenDrive(const BrokerRequest& request) {
    m_pDrive.reset();
    // Only a drive of the system's own list, by the name the list gives:
    // never a device node or any other path a peer makes up.
    const std::vector<PhysicalDrive> drives = m_system.ListPhysicalDrives();
    const auto it =
        std::ranges::find(drives, Utf8ToUtf16(request.strPath), &PhysicalDrive::strPath);
    // The products of the EnableAllProducts option are root's to choose.
    const bool bAllProducts = request.bAllProducts && m_verdict == PeerVerdict::Root;
    const BrokerRefusal refusal =
        it == drives.end() ? BrokerRefusal::NotListed : Identify(*it, bAllProducts);
    if (refusal != BrokerRefusal::None) {
        m_pDrive.reset();
        Log(RefusalText(refusal) + ": " + request.strPath);
        return refusal;
    }
    m_strDrive = request.strPath;
    Log(Utf16ToUtf8(LoadResString(IDS_BROKER_OPENED)) + m_strDrive);
    return BrokerRefusal::None;
}

BrokerRefusal CBrokerSession::Identify(const PhysicalDrive& drive, bool bAllProducts) {
    // What the system already knows of a drive rules it out without a
    // command, as the program's own search does.
    if ((drive.bBusKnown && (drive.nBusType == BusTypeAta || drive.nBusType == BusTypeAtapi)) ||
        !MayBeSupported(drive, bAllProducts)) {
        return BrokerRefusal::NotSupported;
    }
    CScsiDevice device(m_system);
    if (!device.CDevice::Open(drive.strPath.c_str())) {
        return BrokerRefusal::NotListed;
    }
    StorageDeviceDescriptor descriptor;
    if (!device.QueryStorageProperty(descriptor) || descriptor.BusType == BusTypeAta ||
        descriptor.BusType == BusTypeAtapi) {
        return BrokerRefusal::NotSupported;
    }
    // Its own INQUIRY, through the device layer's transport; what the
    // system's list says is not taken on trust.
    std::vector<BYTE> inquiry(kInquiryLength, 0);
    if (!device.Inquiry(inquiry.data()) || device.m_bScsiStatus != 0 ||
        device.m_nLastReceived < kVendorOffset + 24 ||
        ProductClassOf(inquiry.data() + kVendorOffset, bAllProducts) == 0) {
        return BrokerRefusal::NotSupported;
    }
    m_pDrive = std::move(device.m_hDevice);
    return BrokerRefusal::None;
}

void CBrokerSession::Scsi(const BrokerRequest& request, BrokerAnswer& answer) {
    const std::span<const BYTE> cdb(request.cdb.data(), request.nCdbLength);
    if (MatchCommand(cdb, request.direction, request.nLength) == nullptr) {
        answer.refusal = BrokerRefusal::Command;
        Log(RefusalText(answer.refusal) + ": " + DescribeCommand(request) + " (" + m_strDrive +
            ")");
        return;
    }
    ScsiRequest scsi;
    scsi.Cdb = request.cdb;
    scsi.CdbLength = request.nCdbLength;
    scsi.DataIn = request.direction == TraceDirection::In ? 1 : 0;
    // The device layer's form and time-out, never the peer's.
    scsi.Form = PassThroughForm(request.nLength);
    scsi.TimeOutValue = PassThroughTimeoutSeconds(request.cdb[0], request.nLength);
    std::vector<BYTE> data(request.nLength, 0);
    if (request.direction == TraceDirection::Out) {
        std::copy(request.dataOut.begin(), request.dataOut.end(), data.begin());
    }
    scsi.DataBuffer = data.empty() ? nullptr : data.data();
    scsi.DataTransferLength = request.nLength;
    answer.bOk = m_pDrive->SendScsi(scsi);
    if (!answer.bOk) {
        return;
    }
    answer.nStatus = scsi.ScsiStatus;
    answer.sense.assign(
        scsi.Sense.begin(),
        scsi.Sense.begin() + std::min<std::size_t>(scsi.SenseInfoLength, kSenseBufferLength));
    answer.nMoved = std::min(scsi.DataTransferLength, request.nLength);
    if (request.direction == TraceDirection::In) {
        answer.dataIn.assign(data.begin(), data.begin() + answer.nMoved);
    }
}

void CBrokerSession::Describe(BrokerAnswer& answer) {
    answer.bAdapterOk = m_pDrive->QueryAdapter(answer.adapter);
    answer.bDeviceOk = m_pDrive->QueryDevice(answer.device);
    answer.bAddressOk = m_pDrive->GetScsiAddress(answer.address);
    answer.bNumberOk = m_pDrive->GetDeviceNumber(answer.number);
}

}  // namespace rf
