#include "device/os/linux/SgIo.h"

#include <scsi/sg.h>
#include <sys/ioctl.h>

#include <algorithm>

namespace rf {

namespace {

constexpr unsigned kDriverCodeMask = 0x0F;
constexpr unsigned kDriverSense = 0x08;  // sense data present: not an error

}  // namespace

IoctlFunction SystemIoctl() {
    return [](int nFd, unsigned long nRequest, void* pArgument) {
        return ::ioctl(nFd, nRequest, pArgument);
    };
}

bool SendSgIo(int nFd, ScsiRequest& request, const IoctlFunction& ioctlFunction) {
    sg_io_hdr_t header{};
    header.interface_id = 'S';
    header.cmd_len = request.CdbLength;
    header.cmdp = request.Cdb.data();
    if (request.DataTransferLength == 0 || request.DataBuffer == nullptr) {
        header.dxfer_direction = SG_DXFER_NONE;
    } else {
        header.dxfer_direction = request.DataIn != 0 ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
        header.dxfer_len = request.DataTransferLength;
        header.dxferp = request.DataBuffer;
    }
    header.mx_sb_len =
        static_cast<unsigned char>(std::min<unsigned>(request.SenseInfoLength, kSenseBufferLength));
    header.sbp = request.Sense.data();
    header.timeout = request.TimeOutValue * 1000;

    if (ioctlFunction(nFd, SG_IO, &header) < 0) {
        return false;
    }
    const unsigned nDriverCode = header.driver_status & kDriverCodeMask;
    if (header.host_status != 0 || (nDriverCode != 0 && nDriverCode != kDriverSense)) {
        return false;
    }

    request.ScsiStatus = header.status;
    request.SenseInfoLength = std::min<BYTE>(header.sb_len_wr, kSenseBufferLength);
    const unsigned nAsked = header.dxfer_len;
    const unsigned nResidue =
        header.resid < 0 ? 0u : std::min(static_cast<unsigned>(header.resid), nAsked);
    request.DataTransferLength = nAsked - nResidue;
    return true;
}

}  // namespace rf
