#include "base/TextWidth.h"

namespace rf {

std::size_t DisplayWidth(std::u16string_view text) {
    std::size_t nColumns = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        const bool bHighSurrogate = c >= 0xD800 && c <= 0xDBFF;
        if (bHighSurrogate && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        nColumns += static_cast<std::size_t>(CharColumns(c));
    }
    return nColumns;
}

std::u16string PadToWidth(std::u16string_view text, std::size_t nColumns) {
    const std::size_t nWidth = DisplayWidth(text);
    std::u16string padded(text);
    padded.append(nWidth >= nColumns ? 1 : nColumns - nWidth, u' ');
    return padded;
}

}  // namespace rf
