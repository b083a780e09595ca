#include "device/broker/BrokerWire.h"

#include <algorithm>

#include "base/Text.h"

namespace rf {

namespace {

enum DriveFlags : BYTE { kInquiryKnown = 0x01, kBusKnown = 0x02 };
constexpr BYTE kAllProducts = 0x01;
// The direction of a command's data as it travels.
enum WireDirection : BYTE { kWireNone = 0, kWireIn = 1, kWireOut = 2 };

BYTE WireDirectionOf(TraceDirection direction) {
    switch (direction) {
        case TraceDirection::In:
            return kWireIn;
        case TraceDirection::Out:
            return kWireOut;
        case TraceDirection::None:
            return kWireNone;
    }
    return kWireNone;
}

class CFrameWriter {
public:
    CFrameWriter() { m_bytes.resize(kBrokerFrameHeader); }

    void Byte(BYTE n) { m_bytes.push_back(n); }
    void Word(std::uint16_t n) {
        Byte(static_cast<BYTE>(n >> 8));
        Byte(static_cast<BYTE>(n));
    }
    void Dword(std::uint32_t n) {
        Word(static_cast<std::uint16_t>(n >> 16));
        Word(static_cast<std::uint16_t>(n));
    }
    void Bytes(const BYTE* pData, std::size_t nCount) {
        m_bytes.insert(m_bytes.end(), pData, pData + nCount);
    }
    void Text(std::string_view text) {
        const std::size_t nLength = std::min(text.size(), kMaxBrokerText);
        Word(static_cast<std::uint16_t>(nLength));
        Bytes(reinterpret_cast<const BYTE*>(text.data()), nLength);
    }
    void Text(std::u16string_view text) { Text(Utf16ToUtf8(text)); }

    std::vector<BYTE> Finish() {
        const auto nBody = static_cast<std::uint32_t>(m_bytes.size() - kBrokerFrameHeader);
        for (std::size_t i = 0; i < kBrokerFrameHeader; ++i) {
            m_bytes[i] = static_cast<BYTE>(nBody >> (8 * (kBrokerFrameHeader - 1 - i)));
        }
        return std::move(m_bytes);
    }

private:
    std::vector<BYTE> m_bytes;
};

// Reads fields off a frame's body; past the end it reads zeros and notes
// the failure, so that callers check once at the end.
class CFrameReader {
public:
    explicit CFrameReader(std::span<const BYTE> body) : m_body(body) {}

    bool Ok() const { return m_bOk; }
    bool AtEnd() const { return m_nAt == m_body.size(); }
    void Fail() { m_bOk = false; }

    BYTE Byte() {
        if (m_nAt >= m_body.size()) {
            m_bOk = false;
            return 0;
        }
        return m_body[m_nAt++];
    }
    std::uint16_t Word() {
        const std::uint16_t nHigh = Byte();
        return static_cast<std::uint16_t>(nHigh << 8 | Byte());
    }
    std::uint32_t Dword() {
        const std::uint32_t nHigh = Word();
        return nHigh << 16 | Word();
    }
    // nCount bytes, none when fewer are left.
    std::span<const BYTE> Bytes(std::size_t nCount) {
        if (nCount > m_body.size() - m_nAt) {
            m_bOk = false;
            return {};
        }
        const std::span<const BYTE> bytes = m_body.subspan(m_nAt, nCount);
        m_nAt += nCount;
        return bytes;
    }
    std::string Text() {
        const std::size_t nLength = Word();
        if (nLength > kMaxBrokerText) {
            m_bOk = false;
            return {};
        }
        const std::span<const BYTE> bytes = Bytes(nLength);
        return std::string(bytes.begin(), bytes.end());
    }
    std::u16string Text16() { return Utf8ToUtf16(Text()); }
    // A count of at most nMax.
    std::size_t Count(std::size_t nMax) {
        const std::size_t nCount = Word();
        if (nCount > nMax) {
            m_bOk = false;
            return 0;
        }
        return nCount;
    }

private:
    std::span<const BYTE> m_body;
    std::size_t m_nAt = 0;
    bool m_bOk = true;
};

// The body of the frame at the start of buffer, once it is whole.
FrameRead FrameBody(std::span<const BYTE> buffer, std::span<const BYTE>& body,
                    std::size_t& nConsumed) {
    if (buffer.size() < kBrokerFrameHeader) {
        return FrameRead::NeedMore;
    }
    std::uint32_t nBody = 0;
    for (std::size_t i = 0; i < kBrokerFrameHeader; ++i) {
        nBody = nBody << 8 | buffer[i];
    }
    if (nBody == 0 || nBody > kMaxBrokerFrame) {
        return FrameRead::Malformed;
    }
    if (buffer.size() - kBrokerFrameHeader < nBody) {
        return FrameRead::NeedMore;
    }
    body = buffer.subspan(kBrokerFrameHeader, nBody);
    nConsumed = kBrokerFrameHeader + nBody;
    return FrameRead::Done;
}

// Reads the frame at the start of buffer into message with readFields,
// which says false for fields that cannot be; the fields must fill the
// frame to its last byte.
template <class TMessage, class TReadFields>
FrameRead ReadMessage(std::span<const BYTE> buffer, TMessage& message, std::size_t& nConsumed,
                      TReadFields readFields) {
    std::span<const BYTE> body;
    const FrameRead result = FrameBody(buffer, body, nConsumed);
    if (result != FrameRead::Done) {
        return result;
    }
    CFrameReader reader(body);
    message = TMessage{};
    const bool bRead = readFields(reader, message);
    return bRead && reader.Ok() && reader.AtEnd() ? FrameRead::Done : FrameRead::Malformed;
}

bool KnownKind(BYTE nKind) {
    return nKind >= static_cast<BYTE>(BrokerRequestKind::ListDrives) &&
           nKind <= static_cast<BYTE>(BrokerRequestKind::PrepareVolumes);
}

void WriteDrive(CFrameWriter& writer, const PhysicalDrive& drive) {
    writer.Text(drive.strPath);
    writer.Text(drive.strName);
    writer.Text(drive.strOtherName);
    writer.Byte(static_cast<BYTE>((drive.bInquiryKnown ? kInquiryKnown : 0) |
                                  (drive.bBusKnown ? kBusKnown : 0)));
    writer.Text(drive.strVendor);
    writer.Text(drive.strProduct);
    writer.Text(drive.strRevision);
    writer.Dword(static_cast<std::uint32_t>(drive.nBusType));
    writer.Byte(drive.nBusMajorVersion);
    writer.Byte(drive.nBusMinorVersion);
}

PhysicalDrive ReadDrive(CFrameReader& reader) {
    PhysicalDrive drive;
    drive.strPath = reader.Text16();
    drive.strName = reader.Text16();
    drive.strOtherName = reader.Text16();
    const BYTE nFlags = reader.Byte();
    if ((nFlags & ~(kInquiryKnown | kBusKnown)) != 0) {
        reader.Fail();
    }
    drive.bInquiryKnown = (nFlags & kInquiryKnown) != 0;
    drive.bBusKnown = (nFlags & kBusKnown) != 0;
    drive.strVendor = reader.Text();
    drive.strProduct = reader.Text();
    drive.strRevision = reader.Text();
    drive.nBusType = static_cast<int>(reader.Dword());
    drive.nBusMajorVersion = reader.Byte();
    drive.nBusMinorVersion = reader.Byte();
    return drive;
}

void WriteTexts(CFrameWriter& writer, const std::vector<std::u16string>& texts) {
    const std::size_t nCount = std::min(texts.size(), kMaxBrokerVolumes);
    writer.Word(static_cast<std::uint16_t>(nCount));
    for (std::size_t i = 0; i < nCount; ++i) {
        writer.Text(texts[i]);
    }
}

std::vector<std::u16string> ReadTexts(CFrameReader& reader) {
    std::vector<std::u16string> texts(reader.Count(kMaxBrokerVolumes));
    for (std::u16string& text : texts) {
        text = reader.Text16();
    }
    return texts;
}

bool ReadBool(CFrameReader& reader) {
    const BYTE n = reader.Byte();
    if (n > 1) {
        reader.Fail();
    }
    return n == 1;
}

}  // namespace

std::vector<BYTE> WriteBrokerRequest(const BrokerRequest& request) {
    CFrameWriter writer;
    writer.Byte(static_cast<BYTE>(request.kind));
    switch (request.kind) {
        case BrokerRequestKind::OpenDrive:
            writer.Byte(request.bAllProducts ? kAllProducts : 0);
            writer.Text(request.strPath);
            break;
        case BrokerRequestKind::Scsi: {
            const BYTE nCdbLength = std::min<BYTE>(request.nCdbLength, 16);
            writer.Byte(nCdbLength);
            writer.Bytes(request.cdb.data(), nCdbLength);
            writer.Byte(WireDirectionOf(request.direction));
            const bool bOut = request.direction == TraceDirection::Out;
            const UINT nLength = std::min<UINT>(
                bOut ? static_cast<UINT>(request.dataOut.size()) : request.nLength, kFlashImageMax);
            writer.Dword(nLength);
            if (bOut) {
                writer.Bytes(request.dataOut.data(), nLength);
            }
            break;
        }
        case BrokerRequestKind::ListDrives:
        case BrokerRequestKind::Describe:
        case BrokerRequestKind::PrepareVolumes:
            break;
    }
    return writer.Finish();
}

namespace {

bool ReadRequestFields(CFrameReader& reader, BrokerRequest& request) {
    const BYTE nKind = reader.Byte();
    if (!KnownKind(nKind)) {
        return false;
    }
    request.kind = static_cast<BrokerRequestKind>(nKind);
    switch (request.kind) {
        case BrokerRequestKind::OpenDrive: {
            const BYTE nFlags = reader.Byte();
            if ((nFlags & ~kAllProducts) != 0) {
                return false;
            }
            request.bAllProducts = (nFlags & kAllProducts) != 0;
            request.strPath = reader.Text();
            if (request.strPath.empty()) {
                return false;
            }
            break;
        }
        case BrokerRequestKind::Scsi: {
            request.nCdbLength = reader.Byte();
            if (request.nCdbLength == 0 || request.nCdbLength > request.cdb.size()) {
                return false;
            }
            const std::span<const BYTE> cdb = reader.Bytes(request.nCdbLength);
            std::copy(cdb.begin(), cdb.end(), request.cdb.begin());
            const BYTE nDirection = reader.Byte();
            request.nLength = reader.Dword();
            if (request.nLength > kFlashImageMax) {
                return false;
            }
            switch (nDirection) {
                case kWireIn:
                    request.direction = TraceDirection::In;
                    break;
                case kWireOut: {
                    request.direction = TraceDirection::Out;
                    const std::span<const BYTE> data = reader.Bytes(request.nLength);
                    request.dataOut.assign(data.begin(), data.end());
                    break;
                }
                case kWireNone:
                    request.direction = TraceDirection::None;
                    break;
                default:
                    return false;
            }
            // A transfer has a direction, and a direction a transfer.
            if ((request.direction == TraceDirection::None) != (request.nLength == 0)) {
                return false;
            }
            break;
        }
        case BrokerRequestKind::ListDrives:
        case BrokerRequestKind::Describe:
        case BrokerRequestKind::PrepareVolumes:
            break;
    }
    return true;
}

}  // namespace

std::vector<BYTE> WriteBrokerAnswer(const BrokerAnswer& answer) {
    CFrameWriter writer;
    writer.Byte(static_cast<BYTE>(answer.kind));
    writer.Byte(static_cast<BYTE>(answer.refusal));
    if (answer.refusal != BrokerRefusal::None) {
        return writer.Finish();
    }
    switch (answer.kind) {
        case BrokerRequestKind::ListDrives: {
            const std::size_t nCount = std::min(answer.drives.size(), kMaxBrokerDrives);
            writer.Word(static_cast<std::uint16_t>(nCount));
            for (std::size_t i = 0; i < nCount; ++i) {
                WriteDrive(writer, answer.drives[i]);
            }
            break;
        }
        case BrokerRequestKind::Scsi: {
            writer.Byte(answer.bOk ? 1 : 0);
            writer.Byte(answer.nStatus);
            const std::size_t nSense =
                std::min<std::size_t>(answer.sense.size(), kSenseBufferLength);
            writer.Byte(static_cast<BYTE>(nSense));
            writer.Bytes(answer.sense.data(), nSense);
            writer.Dword(std::min<UINT>(answer.nMoved, kFlashImageMax));
            const std::size_t nData = std::min<std::size_t>(answer.dataIn.size(), kFlashImageMax);
            writer.Dword(static_cast<std::uint32_t>(nData));
            writer.Bytes(answer.dataIn.data(), nData);
            break;
        }
        case BrokerRequestKind::Describe:
            writer.Byte(answer.bAdapterOk ? 1 : 0);
            writer.Byte(answer.adapter.BusMajorVersion);
            writer.Byte(answer.adapter.BusMinorVersion);
            writer.Byte(answer.bDeviceOk ? 1 : 0);
            writer.Dword(static_cast<std::uint32_t>(answer.device.BusType));
            writer.Byte(answer.bAddressOk ? 1 : 0);
            writer.Bytes(std::array<BYTE, 4>{answer.address.PortNumber, answer.address.PathId,
                                             answer.address.TargetId, answer.address.Lun}
                             .data(),
                         4);
            writer.Byte(answer.bNumberOk ? 1 : 0);
            writer.Dword(static_cast<std::uint32_t>(answer.number.DeviceType));
            writer.Dword(answer.number.DeviceNumber);
            writer.Dword(static_cast<std::uint32_t>(answer.number.PartitionNumber));
            break;
        case BrokerRequestKind::PrepareVolumes:
            writer.Byte(answer.bOk ? 1 : 0);
            WriteTexts(writer, answer.volumes.inUse);
            WriteTexts(writer, answer.volumes.unmounted);
            break;
        case BrokerRequestKind::OpenDrive:
            break;
    }
    return writer.Finish();
}

namespace {

bool ReadAnswerFields(CFrameReader& reader, BrokerAnswer& answer) {
    const BYTE nKind = reader.Byte();
    const BYTE nRefusal = reader.Byte();
    if (!KnownKind(nKind) || nRefusal > kLastBrokerRefusal) {
        return false;
    }
    answer.kind = static_cast<BrokerRequestKind>(nKind);
    answer.refusal = static_cast<BrokerRefusal>(nRefusal);
    if (answer.refusal != BrokerRefusal::None) {
        return true;
    }
    switch (answer.kind) {
        case BrokerRequestKind::ListDrives:
            answer.drives.resize(reader.Count(kMaxBrokerDrives));
            for (PhysicalDrive& drive : answer.drives) {
                drive = ReadDrive(reader);
            }
            break;
        case BrokerRequestKind::Scsi: {
            answer.bOk = ReadBool(reader);
            answer.nStatus = reader.Byte();
            const BYTE nSense = reader.Byte();
            if (nSense > kSenseBufferLength) {
                return false;
            }
            const std::span<const BYTE> sense = reader.Bytes(nSense);
            answer.sense.assign(sense.begin(), sense.end());
            answer.nMoved = reader.Dword();
            const std::uint32_t nData = reader.Dword();
            if (answer.nMoved > kFlashImageMax || nData > answer.nMoved) {
                return false;
            }
            const std::span<const BYTE> data = reader.Bytes(nData);
            answer.dataIn.assign(data.begin(), data.end());
            break;
        }
        case BrokerRequestKind::Describe:
            answer.bAdapterOk = ReadBool(reader);
            answer.adapter.BusMajorVersion = reader.Byte();
            answer.adapter.BusMinorVersion = reader.Byte();
            answer.bDeviceOk = ReadBool(reader);
            answer.device.BusType = static_cast<int>(reader.Dword());
            answer.bAddressOk = ReadBool(reader);
            answer.address.PortNumber = reader.Byte();
            answer.address.PathId = reader.Byte();
            answer.address.TargetId = reader.Byte();
            answer.address.Lun = reader.Byte();
            answer.bNumberOk = ReadBool(reader);
            answer.number.DeviceType = static_cast<std::int32_t>(reader.Dword());
            answer.number.DeviceNumber = reader.Dword();
            answer.number.PartitionNumber = static_cast<std::int32_t>(reader.Dword());
            break;
        case BrokerRequestKind::PrepareVolumes:
            answer.bOk = ReadBool(reader);
            answer.volumes.inUse = ReadTexts(reader);
            answer.volumes.unmounted = ReadTexts(reader);
            break;
        case BrokerRequestKind::OpenDrive:
            break;
    }
    return true;
}

}  // namespace

FrameRead ReadBrokerRequest(std::span<const BYTE> buffer, BrokerRequest& request,
                            std::size_t& nConsumed) {
    return ReadMessage(buffer, request, nConsumed, ReadRequestFields);
}

FrameRead ReadBrokerAnswer(std::span<const BYTE> buffer, BrokerAnswer& answer,
                           std::size_t& nConsumed) {
    return ReadMessage(buffer, answer, nConsumed, ReadAnswerFields);
}

}  // namespace rf
