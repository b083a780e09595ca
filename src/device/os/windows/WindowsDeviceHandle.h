#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "device/DevicePort.h"
#include "device/os/windows/Win32Api.h"

namespace rf {

// The buffered pass-through request is one area: the header, the sense
// bytes, then the data. A 32-bit header takes 44 bytes, so the sense bytes
// start at 48 and the data at 80; the 64-bit header is larger (its data
// offset is pointer-sized) and both move up behind it. The direct request
// uses the same header and sense layout, with the data in the caller's
// page-aligned buffer.
inline constexpr ::ULONG kSenseInfoOffset = (sizeof(SCSI_PASS_THROUGH) + 7) / 8 * 8;
inline constexpr ::ULONG kDataBufferOffset = kSenseInfoOffset + kSenseBufferLength;
inline constexpr std::size_t kBufferedDataRoom = 0x4000;
inline constexpr std::size_t kBufferedAreaSize = kDataBufferOffset + kBufferedDataRoom;
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == sizeof(SCSI_PASS_THROUGH));
static_assert(sizeof(void*) != 4 || (kSenseInfoOffset == 48 && kDataBufferOffset == 80));

// One open disk device or volume. Each request is exactly one DeviceIoControl.
class CWindowsDeviceHandle final : public IDeviceHandle {
public:
    // Takes ownership of the handle.
    CWindowsDeviceHandle(IWin32Api& api, HANDLE hDevice) : m_api(api), m_hDevice(hDevice) {}
    ~CWindowsDeviceHandle() override;
    CWindowsDeviceHandle(const CWindowsDeviceHandle&) = delete;
    CWindowsDeviceHandle& operator=(const CWindowsDeviceHandle&) = delete;

    bool SendScsi(ScsiRequest& request) override;
    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override;
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override;
    bool GetScsiAddress(ScsiAddress& address) override;
    bool GetDeviceNumber(StorageDeviceNumber& number) override;

    // Requests on a volume.
    bool FlushFileBuffers();
    // A control code without buffers (FSCTL_LOCK_VOLUME and the like).
    bool Control(::DWORD dwCode);

private:
    bool SendBuffered(ScsiRequest& request);
    bool SendDirect(ScsiRequest& request);
    // The request area in and out: the first nSize bytes of m_area.
    bool Exchange(::DWORD dwCode, ::DWORD nSize);
    bool QueryStorageProperty(STORAGE_PROPERTY_ID nPropertyId, void* pOut, ::DWORD nOutSize);

    IWin32Api& m_api;
    HANDLE m_hDevice;
    // Zeroed for every request; allocated once with the handle.
    alignas(8) std::array<BYTE, kBufferedAreaSize> m_area{};
};

// Opens a disk device or volume for reading and writing, shared with other
// programs; null when it cannot be opened.
std::unique_ptr<CWindowsDeviceHandle> OpenWindowsDevice(IWin32Api& api, const std::u16string& path);

}  // namespace rf
