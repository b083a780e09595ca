#pragma once

// Control identifiers of the two dialog templates; the same in every language.

#include "base/Types.h"

namespace rf {

inline constexpr UINT IDC_ROM_VERSION_FLASH = 1000;
inline constexpr UINT IDC_ROM_VERSION_HOST = 1001;
inline constexpr UINT IDC_UPDATE = 1004;
inline constexpr UINT IDC_DEVICE_VERSION_FLASH = 1007;
inline constexpr UINT IDC_PROGRESS = 1008;
inline constexpr UINT IDC_DEVICE_VERSION_HOST = 1009;
inline constexpr UINT IDC_DEVICE_NAME = 1011;
inline constexpr UINT IDC_CHECK_FLASH = 1012;
inline constexpr UINT IDC_CHECK_HOST = 1013;
inline constexpr UINT IDC_SERIAL_NO = 1015;
inline constexpr UINT IDC_UI_SERIAL_NO = 1016;
inline constexpr UINT IDC_STATUS = 1017;
inline constexpr UINT IDC_CHECK_UI78K = 1018;
inline constexpr UINT IDC_DEVICE_VERSION_UI78K = 1021;
inline constexpr UINT IDC_ROM_VERSION_UI78K = 1022;
inline constexpr UINT IDC_ROM_VERSION_UIRSC = 1023;
inline constexpr UINT IDC_CHECK_UIRSC = 1024;
inline constexpr UINT IDC_DEVICE_VERSION_UIRSC = 1025;
inline constexpr UINT IDC_PRODUCT_VERSION = 1026;
inline constexpr UINT IDC_FIRMWARE_VERSIONS = 1027;
inline constexpr UINT IDC_DEVICE_PRODUCT_VERSION = 1028;
inline constexpr UINT IDC_DEVICE_FIRMWARE_VERSIONS = 1029;

inline constexpr UINT IDCANCEL = 2;
inline constexpr UINT IDI_MAIN_ICON = 128;

}  // namespace rf
