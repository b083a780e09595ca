#include "fuzz/FuzzDevice.h"

#include <algorithm>
#include <cstring>

#include "text/StringTable.h"

namespace rf::fuzz {

namespace {

constexpr char kSupportedInquiry[] = "KESTREL DVX4400DUO      0.24";
constexpr std::size_t kInquiryTextOffset = 8;

}  // namespace

bool CFuzzHandle::SendScsi(ScsiRequest& request) {
    if (m_bInquiryFixed && request.Cdb[0] == 0x12) {
        std::vector<std::uint8_t> answer(36, 0);
        answer[4] = 31;
        std::memcpy(answer.data() + kInquiryTextOffset, kSupportedInquiry,
                    sizeof kSupportedInquiry - 1);
        const std::size_t nCount = std::min<std::size_t>(answer.size(), request.DataTransferLength);
        if (request.DataIn != 0 && request.DataBuffer != nullptr) {
            std::memcpy(request.DataBuffer, answer.data(), nCount);
        }
        request.ScsiStatus = 0;
        request.DataTransferLength = static_cast<UINT>(nCount);
        return true;
    }
    if (m_input.Empty()) {
        return false;  // the drive has gone
    }
    const std::uint8_t nHow = m_input.Byte();
    switch (nHow & 0x03) {
        case 0:
            request.ScsiStatus = 0;
            break;
        case 1:
            request.ScsiStatus = 0x02;
            request.SenseInfoLength =
                static_cast<BYTE>(m_input.Take(request.Sense.data(), nHow >> 4));
            request.DataTransferLength = 0;
            return true;
        case 2:
            return false;
        default:
            // A status byte with bits the transport masks away.
            request.ScsiStatus = m_input.Byte();
            break;
    }
    if (request.DataIn != 0 && request.DataBuffer != nullptr) {
        const std::size_t nTaken = m_input.Take(request.DataBuffer, request.DataTransferLength);
        // The count a driver reports may be anything, also more than asked.
        request.DataTransferLength = (nHow & 0x04) != 0 ? static_cast<UINT>(nTaken) + m_input.Byte()
                                                        : static_cast<UINT>(nTaken);
    }
    return true;
}

std::vector<PhysicalDrive> CFuzzDeviceSystem::ListPhysicalDrives() {
    PhysicalDrive drive;
    drive.strPath = u"fuzz";
    drive.strName = u"/dev/fuzz";
    return {drive};
}

CFuzzEnvironment::CFuzzEnvironment() : m_savedOptions(theCmdInfo) {
    theCmdInfo = CReflasherCommandLineInfo();
    SetCurrentLanguage(Language::English);
}

CFuzzEnvironment::~CFuzzEnvironment() {
    theCmdInfo = m_savedOptions;
}

}  // namespace rf::fuzz
