#include "device/ScsiDevice.h"

// The bridge's vendor command set, the FLASH chip identification and the
// FLASH-ROM programming are not built yet: every operation reports failure
// without sending anything, so no caller can mistake it for work done.

namespace rf {

UINT CScsiDevice::GetMaxUiPacketLength() {
    return CDevice::GetMaxUiPacketLength();
}
bool CScsiDevice::ReadFlash(DWORD, BYTE*, UINT, CProgressCtrl*) {
    return false;
}
bool CScsiDevice::WriteFlash(DWORD, const BYTE*, UINT, CProgressCtrl*) {
    return false;
}
bool CScsiDevice::WriteFlashRom(const BYTE*, UINT, CProgressCtrl*) {
    return false;
}
bool CScsiDevice::ReadHostEeprom(WORD, BYTE*, UINT, CProgressCtrl*) {
    return false;
}
bool CScsiDevice::WriteHostEeprom(const BYTE*, UINT, CProgressCtrl*) {
    return false;
}
bool CScsiDevice::ReadCpuEeprom(WORD, BYTE*, UINT, CProgressCtrl*) {
    return false;
}
bool CScsiDevice::WriteCpuEepromAt(WORD, const BYTE*, UINT, CProgressCtrl*) {
    return false;
}
bool CScsiDevice::WriteCpuEeprom(const BYTE*, UINT, CProgressCtrl*) {
    return false;
}
int CScsiDevice::GetUiState() {
    return -1;
}
bool CScsiDevice::SetUiMode(int) {
    return false;
}
bool CScsiDevice::UiWrite(const BYTE*, UINT) {
    return false;
}
bool CScsiDevice::UiReadData(BYTE*, UINT) {
    return false;
}
bool CScsiDevice::UiReadReply(BYTE*, UINT) {
    return false;
}
void CScsiDevice::ResetAndClose() {
    Close();
}
WORD CScsiDevice::IdentifyFlashChip() {
    return 0xFFFF;
}

}  // namespace rf
