#pragma once

// What is known before a FLASH-ROM write whether it can succeed, and which
// bytes of a written FLASH-ROM may legitimately differ from the image.

#include "base/Types.h"

namespace rf {

class CScsiDevice;

// The bytes a bridge may hold differently from the image it was given (the
// last of them is the FLASH-type byte). The read-back verification and the
// comparison of the first block both accept them.
bool IsToleratedFlashOffset(DWORD dwOffset);

// The message id of a reason, known without sending anything, why the
// FLASH-ROM write of nSize bytes cannot succeed on this device, or 0:
// an image larger than the identified chip, or a page-write chip on a
// full-speed USB link (the page is loaded in two commands a frame apart,
// longer than the chip waits between two bytes of a page).
UINT FlashRomRefusal(const CScsiDevice& device, UINT nSize);

// FlashRomRefusal, and for a page-write chip the link itself: the slowest
// of four one-byte FLASH reads must fit in the chip's byte-load window with
// a tenth of it to spare. Reads only. Called before anything is written.
UINT CheckFlashRomWrite(CScsiDevice& device, UINT nSize);

}  // namespace rf
