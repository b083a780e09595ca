#pragma once

// The UI controller's own program flash, written through its
// flash-programming boot mode (the controller must be in boot mode).

#include "base/Types.h"

namespace rf {

class CDevice;
class IProgress;

bool ProgramUiFlash(CDevice* pDevice, IProgress* pProgress, const BYTE* pData, UINT nSize);
bool VerifyUiFlash(CDevice* pDevice, IProgress* pProgress, const BYTE* pData, UINT nSize);

}  // namespace rf
