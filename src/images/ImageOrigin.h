#pragma once

// Where a held image comes from, and the rule that keeps test images off
// real units.

#include <initializer_list>
#include <string>

#include "base/Types.h"

namespace rf {

class CRomObject;
class CScsiDevice;

enum class ImageOrigin {
    Test,     // made by the image generator, carried by a build of the test set
    Vendor,   // the maker's, embedded at build time
    Package,  // read at run time from a firmware package
    File,     // chosen by the person: a drop, --load, the UIRSC option
};

// "test", "vendor", "package", "file".
const char* OriginName(ImageOrigin origin);
// The origin of the images the program carries.
ImageOrigin CarriedOrigin();

// A test image by origin, or by its bytes however it came.
bool HoldsTestImage(const CRomObject& rom);

// The refusal of an update about to write: IDS_ERR_TEST_IMAGES_ON_REAL_UNIT
// when one of the selected images is a test image and the drive has not
// said that it is an emulated enclosure; 0 when the update may go on.
UINT RefuseTestImagesOnRealUnit(const CScsiDevice& device,
                                std::initializer_list<const CRomObject*> selected);

}  // namespace rf
