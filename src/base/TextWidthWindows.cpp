#include <iterator>

#include "base/TextWidth.h"

namespace rf {

namespace {

struct CodeRange {
    char32_t first;
    char32_t last;
};

// The C runtime on Windows has no wcwidth. These are the blocks of East Asian
// wide and fullwidth characters and of combining marks that the program's own
// texts and the names of units can hold; anything else takes one column.
constexpr CodeRange kWide[] = {
    {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F},
    {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};
constexpr CodeRange kZero[] = {
    {0x0300, 0x036F}, {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0x3099, 0x309A}, {0xFE00, 0xFE0F},
};

bool InRanges(const CodeRange* begin, const CodeRange* end, char32_t c) {
    for (const CodeRange* range = begin; range != end; ++range) {
        if (c >= range->first && c <= range->last) {
            return true;
        }
    }
    return false;
}

}  // namespace

int CharColumns(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || InRanges(std::begin(kZero), std::end(kZero), c)) {
        return 0;
    }
    return InRanges(std::begin(kWide), std::end(kWide), c) ? 2 : 1;
}

}  // namespace rf
