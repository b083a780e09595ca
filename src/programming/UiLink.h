#pragma once

// The framed byte link to the front-panel UI controller, carried by the
// bridge's UI link commands: command, data and status frames with their
// checksum, the status handshake of the controller's boot mode, the SPI
// pass-through of its firmware, and the small queries it answers.

#include "base/Types.h"
#include "device/BridgeCommands.h"

namespace rf {

class CDevice;

inline constexpr BYTE UI_SOH = 0x01;
inline constexpr BYTE UI_STX = 0x02;
inline constexpr BYTE UI_ETX = 0x03;
inline constexpr BYTE UI_ETB = 0x17;
inline constexpr BYTE UI_ACK = 0x06;
inline constexpr BYTE UI_NO_ANSWER = 0xFF;
inline constexpr UINT kUiFrameMax = kUiLinkFrameMax;  // 256 data bytes and four framing bytes

// One command frame: SOH, LEN, the LEN bytes, SUM, ETX.
bool SendUiCommandFrame(CDevice* pDevice, BYTE nLength, const BYTE* pData);
// One data frame of 1 to 256 bytes (256 travels as LEN 0), ending in ETB
// when more frames follow, else ETX.
bool SendUiDataFrame(CDevice* pDevice, const BYTE* pData, UINT nLength, bool bMore);
// Reads one data frame and, when it is sound (STX, at least nMax bytes, a
// checksum right over all its bytes), copies its first nMax bytes and
// returns true; otherwise the caller's buffer stays as it was.
bool ReceiveUiDataFrame(CDevice* pDevice, BYTE* pOut, BYTE nMax);
// Asks for the status of the last command (or data frame) until a valid
// status frame comes or 10 seconds pass: ACK, another status, or 0xFF.
BYTE WaitUiStatus(CDevice* pDevice, bool bDataFrame);
// A status that may come in either form, a command's one byte or a data
// frame's two, judged as WaitUiStatus judges each: ACK, another status, or
// UI_NO_ANSWER.
BYTE WaitUiStatusOfEitherForm(CDevice* pDevice);

// Bytes to and from the SPI flash behind the controller's firmware.
bool SpiWrite(CDevice* pDevice, const BYTE* pData, WORD nLength, bool bKeepSelected);
// pnRead, when given, receives the bytes that came in sound frames before
// a failure (all of them on success).
bool SpiRead(CDevice* pDevice, BYTE* pOut, WORD nLength, bool bKeepSelected,
             UINT* pnRead = nullptr);

// Command 0x53, only while the controller runs its firmware.
bool SendUiPreUpdateCommand(CDevice* pDevice);
// The 16 bytes of controller memory at 0x00A0 (the unit's name).
bool ReadUiInfoBlock(CDevice* pDevice, BYTE* pOut);
// Version, date and time (three little-endian words), from the firmware or
// the boot loader.
bool ReadUiVersion(CDevice* pDevice, BYTE* pOut);
// The first 16 bytes of the resource data, as the firmware reports them.
bool ReadResourceHeader(CDevice* pDevice, BYTE* pOut);

}  // namespace rf
