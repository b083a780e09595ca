#include "images/ImageResources.h"

#include "firmware/ImageCatalogue.h"

namespace rf {

namespace {

ImageResourceSource g_source = &FindCarriedImage;

}  // namespace

void SetImageResourceSource(ImageResourceSource source) {
    g_source = source != nullptr ? source : &FindCarriedImage;
}

std::span<const BYTE> FindImageResource(UINT nId) {
    return g_source(nId);
}

}  // namespace rf
