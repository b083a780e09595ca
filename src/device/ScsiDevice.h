#pragma once

#include <array>
#include <string>

#include "base/Types.h"
#include "device/Device.h"
#include "device/ReadFault.h"

namespace rf {

// The enclosure reached through SCSI pass-through: every command block goes
// through ScsiPassThrough, which owns the rules all commands share.
class CScsiDevice : public CDevice {
public:
    explicit CScsiDevice(IDeviceSystem& system) : CDevice(system) {}

    // Opens the path and identifies the drive; true only for a supported
    // product. When identification fails the handle stays open and the
    // caller closes it.
    bool Open(const char16_t* pszPath) override;

    UINT GetMaxUiPacketLength() override;
    // Attached by full-speed USB (1.1 or 1.0), where every phase of a
    // command waits for its own 1 ms frame.
    bool IsFullSpeedUsb() const;
    bool ReadFlash(DWORD dwAddress, BYTE* pData, UINT nLength, IProgress* pProgress) override;
    bool WriteFlash(DWORD dwAddress, const BYTE* pData, UINT nLength,
                    IProgress* pProgress) override;
    bool WriteFlashRom(const BYTE* pData, UINT nSize, IProgress* pProgress) override;
    bool ReadHostEeprom(WORD wAddress, BYTE* pData, UINT nLength, IProgress* pProgress) override;
    bool WriteHostEeprom(const BYTE* pData, UINT nLength, IProgress* pProgress) override;
    bool ReadCpuEeprom(WORD wAddress, BYTE* pData, UINT nLength, IProgress* pProgress) override;
    bool WriteCpuEepromAt(WORD wAddress, const BYTE* pData, UINT nLength,
                          IProgress* pProgress) override;
    bool WriteCpuEeprom(const BYTE* pData, UINT nLength, IProgress* pProgress) override;
    UiState GetUiState() override;
    bool SetUiMode(int nMode) override;
    bool UiWrite(const BYTE* pData, UINT nLength) override;
    bool UiReadData(BYTE* pData, UINT nLength) override;
    bool UiReadReply(BYTE* pData, UINT nLength) override;
    void ResetAndClose() override;

    // The reads above, checked: each stops at the first chunk that did not
    // reach the device, was refused or came short, and says which in fault.
    bool ReadFlashChecked(DWORD dwAddress, BYTE* pData, UINT nLength, IProgress* pProgress,
                          ReadFault& fault);
    bool ReadHostEepromChecked(WORD wAddress, BYTE* pData, UINT nLength, IProgress* pProgress,
                               ReadFault& fault);
    bool ReadCpuEepromChecked(WORD wAddress, BYTE* pData, UINT nLength, IProgress* pProgress,
                              ReadFault& fault);

    // Sends one command block, offering it up to six times 10 ms apart. True
    // when it reached the device, also when the device answered with a
    // non-GOOD status (then recorded in m_bScsiStatus and m_abSense, and
    // nothing is copied back).
    bool ScsiPassThrough(const BYTE* pCdb, BYTE nCdbLength, bool bDataIn, BYTE* pData,
                         UINT nLength);

    bool QueryStorageProperty(StorageAdapterDescriptor& descriptor);
    bool QueryStorageProperty(StorageDeviceDescriptor& descriptor);
    // Reads the SCSI address into the three address fields (0 on failure).
    bool GetScsiAddress();

    // Identification of an open drive: bus, INQUIRY, supported product,
    // product name and revision, and a bridge running without firmware.
    bool Identify();
    // Standard INQUIRY, 254 bytes into pOut.
    bool Inquiry(BYTE* pOut);
    // 0 = not supported, 1 = our own enclosure, 2 = a supported model of
    // another brand; a nonzero class is stored in m_nProductClass.
    int MatchSupportedProduct(const BYTE* pInquiry);
    // Before anything is written: nothing on the drive may be in use, and
    // its file systems are taken offline. m_volumeReport says what was in
    // the way or taken offline.
    bool LockVolumes();

    // Reads the parallel FLASH chip's codes: manufacturer | device << 8, or
    // 0xFFFF when a FLASH command failed.
    WORD IdentifyFlashChip();

    BYTE m_bPathId = 0;
    BYTE m_bTargetId = 0;
    BYTE m_bLun = 0;
    BYTE m_bScsiStatus = 0xFF;  // status of the last command, masked with 0x1E; 0xFF = none
    std::array<BYTE, kSenseBufferLength> m_abSense{};
    UINT m_nLastReceived = 0;  // bytes the last command brought in with GOOD status
    // The first chunk of a plain read since ClearReadFault that did not come
    // whole (offset counted from the start of its read).
    ReadFault m_firstReadFault;
    void ClearReadFault() { m_firstReadFault = ReadFault{}; }
    int m_nBusType = 0;
    std::u16string m_strBusName;
    std::u16string m_strProductName;
    std::u16string m_strRevision;
    int m_nProductClass = 0;
    // The drive said in its INQUIRY data that it is an emulated enclosure;
    // false for every real unit.
    bool m_bEmulatedEnclosure = false;
    VolumeReport m_volumeReport;
    // What the update's options say of devices: the other models of the
    // product table are units too; an unidentified FLASH chip is written
    // as the usual AMD part.
    bool m_bAllProducts = false;
    bool m_bForceAmdRom = true;

private:
    // The link reads of the UI controller (read data, read reply).
    bool UiRead(BYTE nSub, BYTE* pData, UINT nLength);
    // The chunked reads, plain (pFault null) or checked.
    bool ReadFlashChunks(DWORD dwAddress, BYTE* pData, UINT nLength, IProgress* pProgress,
                         ReadFault* pFault);
    bool ReadHostEepromChunks(WORD wAddress, BYTE* pData, UINT nLength, IProgress* pProgress,
                              ReadFault* pFault);
    bool ReadCpuEepromChunks(WORD wAddress, BYTE* pData, UINT nLength, IProgress* pProgress,
                             ReadFault* pFault);
    // Whether a chunk of nAsked bytes at nOffset counts as read. Plain, one
    // that reached the device does; checked, it must also have come whole
    // with GOOD status, and the fault is filled in when it did not.
    bool ChunkRead(bool bDelivered, UINT nOffset, UINT nAsked, ReadFault* pFault);
};

// Transfers from this length on use the direct request form.
inline constexpr UINT kDirectTransferThreshold = 0x4000;
// Longest transfer the transport accepts; anything longer is refused before
// a buffer is allocated or a command sent.
inline constexpr UINT kMaxTransferLength = 0x1000000;
// The longest time-out of any command: the bridge programs a whole image
// in one command.
inline constexpr UINT kLongestTimeoutSeconds = 120;

// The request form and the time-out every command of nLength bytes travels
// with; the broker sends what it forwards with the same.
ScsiRequestForm PassThroughForm(UINT nLength);
UINT PassThroughTimeoutSeconds(BYTE nOpcode, UINT nLength);

}  // namespace rf
