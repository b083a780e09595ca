#include "images/ImageResources.h"

#include "firmware/FirmwareImages.h"

namespace rf {

namespace {

ImageResourceSource g_source = &FindFirmwareImage;

}  // namespace

void SetImageResourceSource(ImageResourceSource source) {
    g_source = source != nullptr ? source : &FindFirmwareImage;
}

std::span<const BYTE> FindImageResource(UINT nId) {
    return g_source(nId);
}

}  // namespace rf
