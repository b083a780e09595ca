#pragma once

// A drive whose every answer comes from the fuzzer's input: whether the
// command got through, its status, how many bytes came back and which. The
// program meets it through the same handle interface as a real drive.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/CommandLine.h"
#include "device/DevicePort.h"

namespace rf::fuzz {

class CFuzzInput {
public:
    CFuzzInput(const std::uint8_t* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {}

    bool Empty() const { return m_nAt >= m_nSize; }
    std::uint8_t Byte() { return Empty() ? 0 : m_pData[m_nAt++]; }
    // Up to nCount bytes; fewer when the input runs out.
    std::size_t Take(std::uint8_t* pOut, std::size_t nCount) {
        std::size_t i = 0;
        for (; i < nCount && !Empty(); ++i) {
            pOut[i] = m_pData[m_nAt++];
        }
        return i;
    }
    std::span<const std::uint8_t> Rest() const { return {m_pData + m_nAt, m_nSize - m_nAt}; }

private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::size_t m_nAt = 0;
};

// Answers a command as the input says. bInquiryFixed: INQUIRY gets a
// supported enclosure's answer, so that the input goes to what follows.
class CFuzzHandle final : public IDeviceHandle {
public:
    CFuzzHandle(CFuzzInput& input, bool bInquiryFixed)
        : m_input(input), m_bInquiryFixed(bInquiryFixed) {}

    bool SendScsi(ScsiRequest& request) override;
    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override {
        descriptor.BusMajorVersion = 2;
        descriptor.BusMinorVersion = 0;
        return true;
    }
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override {
        descriptor.BusType = BusTypeUsb;
        return true;
    }
    bool GetScsiAddress(ScsiAddress& address) override {
        address = ScsiAddress{};
        return true;
    }
    bool GetDeviceNumber(StorageDeviceNumber& number) override {
        number = StorageDeviceNumber{FILE_DEVICE_DISK, 16, 0};
        return true;
    }

private:
    CFuzzInput& m_input;
    bool m_bInquiryFixed;
};

class CFuzzDeviceSystem final : public IDeviceSystem {
public:
    CFuzzDeviceSystem(CFuzzInput& input, bool bInquiryFixed)
        : m_input(input), m_bInquiryFixed(bInquiryFixed) {}

    std::unique_ptr<IDeviceHandle> Open(const std::u16string&) override {
        return std::make_unique<CFuzzHandle>(m_input, m_bInquiryFixed);
    }
    std::vector<PhysicalDrive> ListPhysicalDrives() override;
    bool PrepareVolumes(const StorageDeviceNumber&, VolumeReport&) override { return true; }

private:
    CFuzzInput& m_input;
    bool m_bInquiryFixed;
};

// What every input starts from: a virtual clock (the program's waits pass
// at once), English texts and default options, restored afterwards.
class CFuzzEnvironment {
public:
    CFuzzEnvironment();
    ~CFuzzEnvironment();
    CFuzzEnvironment(const CFuzzEnvironment&) = delete;
    CFuzzEnvironment& operator=(const CFuzzEnvironment&) = delete;

    CVirtualClock clock{1'000'000'000};

private:
    CScopedClock m_scopedClock{clock};
    CReflasherCommandLineInfo m_savedOptions;
};

}  // namespace rf::fuzz
