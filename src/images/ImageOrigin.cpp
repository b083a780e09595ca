#include "images/ImageOrigin.h"

#include "device/ScsiDevice.h"
#include "firmware/ImageCatalogue.h"
#include "images/RomObject.h"
#include "text/StringTable.h"

namespace rf {

const char* OriginName(ImageOrigin origin) {
    switch (origin) {
        case ImageOrigin::Test:
            return "test";
        case ImageOrigin::Vendor:
            return "vendor";
        case ImageOrigin::Package:
            return "package";
        case ImageOrigin::File:
            return "file";
    }
    return "test";
}

ImageOrigin CarriedOrigin() {
    return CarriesVendorImages() ? ImageOrigin::Vendor : ImageOrigin::Test;
}

bool HoldsTestImage(const CRomObject& rom) {
    if (!rom.IsLoaded()) {
        return false;
    }
    return rom.m_origin == ImageOrigin::Test ||
           IsGeneratedImage(std::span<const BYTE>(rom.m_pData.get(), rom.m_nDataSize));
}

UINT RefuseTestImagesOnRealUnit(const CScsiDevice& device,
                                std::initializer_list<const CRomObject*> selected) {
    if (device.m_bEmulatedEnclosure) {
        return 0;
    }
    for (const CRomObject* pRom : selected) {
        if (pRom != nullptr && HoldsTestImage(*pRom)) {
            return IDS_ERR_TEST_IMAGES_ON_REAL_UNIT;
        }
    }
    return 0;
}

}  // namespace rf
