#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "base/Types.h"
#include "device/DevicePort.h"

namespace rf {

// A path, an open handle on it, and the lock held around each single request
// on that handle. Also used on its own for short-lived volume handles.
class CDeviceBase {
public:
    explicit CDeviceBase(IDeviceSystem& system) : m_system(system) {}
    virtual ~CDeviceBase() = default;
    CDeviceBase(const CDeviceBase&) = delete;
    CDeviceBase& operator=(const CDeviceBase&) = delete;

    // Opens the path unless a handle is already open; an open object keeps
    // its handle whatever path it is given. True when a handle is open.
    virtual bool Open(const char16_t* pszPath);

    bool IsOpen() const { return m_hDevice != nullptr; }
    IDeviceSystem& System() const { return m_system; }
    void Close() { m_hDevice.reset(); }

    // The disk (and partition) this handle is on; on failure DeviceType is -1.
    bool GetDeviceNumber(StorageDeviceNumber* pNumber);

    std::u16string m_strPath;                  // callers assign it; Open never writes it
    std::unique_ptr<IDeviceHandle> m_hDevice;  // null when closed
    std::mutex m_lock;

protected:
    IDeviceSystem& m_system;
};

}  // namespace rf
