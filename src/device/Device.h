#pragma once

#include "base/Types.h"
#include "device/DeviceBase.h"

namespace rf {

class IProgress;
struct FlashChipInfo;
struct SpiFlashChipInfo;

// What the bridge reports of the UI controller.
enum UiState : int {
    UI_STATE_NO_ANSWER = -1,            // the bridge gave no answer
    UI_STATE_MUST_SWITCH = 0,           // no firmware started: switch modes first
    UI_STATE_FIRMWARE = 2,              // the controller runs its firmware
    UI_STATE_FIRMWARE_ALTERNATIVE = 3,  // never reported, but means the same
    UI_STATE_BOOT = 4,                  // the controller runs its flash-programming loader
};

// The operations the programming algorithms, the image objects and the
// update call on the enclosure, and what is known about the memory chips
// behind its bridge. Open resets that knowledge.
class CDevice : public CDeviceBase {
public:
    explicit CDevice(IDeviceSystem& system) : CDeviceBase(system) {}

    // Closes any open handle, forgets the chips, opens the path afresh.
    bool Open(const char16_t* pszPath) override;
    virtual bool OnWriteFailed(int nCode);
    virtual bool Reserved();
    virtual UINT GetMaxUiPacketLength();
    virtual bool ReadFlash(DWORD dwAddress, BYTE* pData, UINT nLength, IProgress* pProgress) = 0;
    virtual bool WriteFlash(DWORD dwAddress, const BYTE* pData, UINT nLength,
                            IProgress* pProgress) = 0;
    virtual bool WriteFlashRom(const BYTE* pData, UINT nSize, IProgress* pProgress) = 0;
    virtual bool ReadHostEeprom(WORD wAddress, BYTE* pData, UINT nLength, IProgress* pProgress) = 0;
    virtual bool WriteHostEeprom(const BYTE* pData, UINT nLength, IProgress* pProgress) = 0;
    virtual bool ReadCpuEeprom(WORD wAddress, BYTE* pData, UINT nLength, IProgress* pProgress) = 0;
    virtual bool WriteCpuEepromAt(WORD wAddress, const BYTE* pData, UINT nLength,
                                  IProgress* pProgress) = 0;
    virtual bool WriteCpuEeprom(const BYTE* pData, UINT nLength, IProgress* pProgress) = 0;
    virtual UiState GetUiState() = 0;
    virtual bool SetUiMode(int nMode) = 0;
    virtual bool UiWrite(const BYTE* pData, UINT nLength) = 0;
    virtual bool UiReadData(BYTE* pData, UINT nLength) = 0;
    virtual bool UiReadReply(BYTE* pData, UINT nLength) = 0;
    virtual void ResetAndClose() = 0;

    DWORD m_dwFlashBase = 0;   // added to every FLASH window address
    WORD m_wFlashId = 0xFFFF;  // manufacturer | device << 8; 0xFFFF = not identified
    bool m_bRomMode = false;   // the bridge runs without firmware in its FLASH-ROM
    const FlashChipInfo* m_pFlashChip = nullptr;
    WORD m_wSpiFlashId = 0xFFFF;
    const SpiFlashChipInfo* m_pSpiFlashChip = nullptr;

    // FLASH addresses go through the bridge's window onto the chip.
    void UseFlashWindow();
    // Nothing is known of the FLASH chip, as before it is identified or its
    // firmware is asked; addresses go through the window.
    void ForgetFlashChip();

protected:
    void ResetChipBookkeeping();
};

}  // namespace rf
