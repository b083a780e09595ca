#include "device/os/windows/WindowsDeviceHandle.h"

#include <algorithm>
#include <cstring>

namespace rf {

namespace {

// Room for a descriptor and the properties the driver appends to it.
constexpr std::size_t kPropertyBufferSize = 1024;

// The fields both request forms share.
template <typename Header>
void FillHeader(Header& header, const ScsiRequest& request) {
    header.Length = sizeof(Header);
    header.PathId = request.PathId;
    header.TargetId = request.TargetId;
    header.Lun = request.Lun;
    header.CdbLength = request.CdbLength;
    header.SenseInfoLength = kSenseBufferLength;
    header.DataIn = request.DataIn & 1;
    header.DataTransferLength = request.DataTransferLength;
    header.TimeOutValue = request.TimeOutValue;
    header.SenseInfoOffset = kSenseInfoOffset;
    std::copy_n(request.Cdb.begin(), std::min<std::size_t>(request.CdbLength, sizeof(header.Cdb)),
                header.Cdb);
}

// The answer: status, sense bytes and the count the driver moved (never
// more than was asked for).
template <typename Header>
void ReadAnswer(const Header& header, const BYTE* pSense, ScsiRequest& request) {
    request.ScsiStatus = header.ScsiStatus;
    request.SenseInfoLength = std::min<BYTE>(header.SenseInfoLength, kSenseBufferLength);
    std::copy_n(pSense, request.SenseInfoLength, request.Sense.begin());
    request.DataTransferLength =
        std::min<UINT>(static_cast<UINT>(header.DataTransferLength), request.DataTransferLength);
}

}  // namespace

std::unique_ptr<CWindowsDeviceHandle> OpenWindowsDevice(IWin32Api& api,
                                                        const std::u16string& path) {
    const HANDLE hDevice = api.CreateFileW(WideText(path), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (hDevice == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<CWindowsDeviceHandle>(api, hDevice);
}

CWindowsDeviceHandle::~CWindowsDeviceHandle() {
    m_api.CloseHandle(m_hDevice);
}

bool CWindowsDeviceHandle::SendScsi(ScsiRequest& request) {
    return request.Form == ScsiRequestForm::Direct ? SendDirect(request) : SendBuffered(request);
}

bool CWindowsDeviceHandle::SendBuffered(ScsiRequest& request) {
    if (request.DataTransferLength > kBufferedDataRoom) {
        return false;
    }
    m_area.fill(0);
    auto& header = *reinterpret_cast<SCSI_PASS_THROUGH*>(m_area.data());
    FillHeader(header, request);
    header.DataBufferOffset = kDataBufferOffset;
    BYTE* pData = m_area.data() + kDataBufferOffset;
    const bool bHasData = request.DataBuffer != nullptr && request.DataTransferLength != 0;
    if (request.DataIn == 0 && bHasData) {
        std::memcpy(pData, request.DataBuffer, request.DataTransferLength);
    }
    if (!Exchange(IOCTL_SCSI_PASS_THROUGH,
                  static_cast<::DWORD>(header.DataBufferOffset + header.DataTransferLength))) {
        return false;
    }
    ReadAnswer(header, m_area.data() + kSenseInfoOffset, request);
    if (request.DataIn != 0 && bHasData) {
        std::memcpy(request.DataBuffer, pData, request.DataTransferLength);
    }
    return true;
}

bool CWindowsDeviceHandle::SendDirect(ScsiRequest& request) {
    std::fill_n(m_area.begin(), kDataBufferOffset, BYTE{0});
    auto& header = *reinterpret_cast<SCSI_PASS_THROUGH_DIRECT*>(m_area.data());
    FillHeader(header, request);
    // The data stays in the caller's page-aligned buffer, which already
    // holds the bytes going out.
    header.DataBuffer = request.DataBuffer;
    if (!Exchange(IOCTL_SCSI_PASS_THROUGH_DIRECT,
                  static_cast<::DWORD>(header.SenseInfoOffset + header.SenseInfoLength))) {
        return false;
    }
    ReadAnswer(header, m_area.data() + kSenseInfoOffset, request);
    return true;
}

bool CWindowsDeviceHandle::Exchange(::DWORD dwCode, ::DWORD nSize) {
    ::DWORD nReturned = 0;
    return m_api.DeviceIoControl(m_hDevice, dwCode, m_area.data(), nSize, m_area.data(), nSize,
                                 &nReturned) != FALSE;
}

bool CWindowsDeviceHandle::QueryStorageProperty(STORAGE_PROPERTY_ID nPropertyId, void* pOut,
                                                ::DWORD nOutSize) {
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = nPropertyId;
    query.QueryType = PropertyStandardQuery;
    ::DWORD nReturned = 0;
    return m_api.DeviceIoControl(m_hDevice, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query),
                                 pOut, nOutSize, &nReturned) != FALSE;
}

bool CWindowsDeviceHandle::QueryAdapter(StorageAdapterDescriptor& descriptor) {
    alignas(8) std::array<BYTE, kPropertyBufferSize> buffer{};
    if (!QueryStorageProperty(StorageAdapterProperty, buffer.data(), buffer.size())) {
        return false;
    }
    const auto& adapter = *reinterpret_cast<const STORAGE_ADAPTER_DESCRIPTOR*>(buffer.data());
    descriptor.BusMajorVersion = static_cast<BYTE>(adapter.BusMajorVersion);
    descriptor.BusMinorVersion = static_cast<BYTE>(adapter.BusMinorVersion);
    return true;
}

bool CWindowsDeviceHandle::QueryDevice(StorageDeviceDescriptor& descriptor) {
    alignas(8) std::array<BYTE, kPropertyBufferSize> buffer{};
    if (!QueryStorageProperty(StorageDeviceProperty, buffer.data(), buffer.size())) {
        return false;
    }
    const auto& device = *reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer.data());
    descriptor.BusType = static_cast<int>(device.BusType);
    return true;
}

bool CWindowsDeviceHandle::GetScsiAddress(ScsiAddress& address) {
    SCSI_ADDRESS answer{};
    answer.Length = sizeof(answer);
    ::DWORD nReturned = 0;
    if (!m_api.DeviceIoControl(m_hDevice, IOCTL_SCSI_GET_ADDRESS, &answer, sizeof(answer), &answer,
                               sizeof(answer), &nReturned)) {
        return false;
    }
    address.PortNumber = answer.PortNumber;
    address.PathId = answer.PathId;
    address.TargetId = answer.TargetId;
    address.Lun = answer.Lun;
    return true;
}

bool CWindowsDeviceHandle::GetDeviceNumber(StorageDeviceNumber& number) {
    STORAGE_DEVICE_NUMBER answer{};
    ::DWORD nReturned = 0;
    if (!m_api.DeviceIoControl(m_hDevice, IOCTL_STORAGE_GET_DEVICE_NUMBER, &answer, sizeof(answer),
                               &answer, sizeof(answer), &nReturned)) {
        return false;
    }
    number.DeviceType = static_cast<std::int32_t>(answer.DeviceType);
    number.DeviceNumber = answer.DeviceNumber;
    number.PartitionNumber = static_cast<std::int32_t>(answer.PartitionNumber);
    return true;
}

bool CWindowsDeviceHandle::FlushFileBuffers() {
    return m_api.FlushFileBuffers(m_hDevice) != FALSE;
}

bool CWindowsDeviceHandle::Control(::DWORD dwCode) {
    ::DWORD nReturned = 0;
    return m_api.DeviceIoControl(m_hDevice, dwCode, nullptr, 0, nullptr, 0, &nReturned) != FALSE;
}

}  // namespace rf
