#pragma once

// Columns a text takes on a terminal. Tables in the terminal front end pad
// by these, not by code units: a Japanese character takes two columns, a
// combining mark none, and a character outside the BMP is one surrogate
// pair but one glyph.

#include <cstddef>
#include <string>
#include <string_view>

namespace rf {

// Columns of one character: 0, 1 or 2. Control characters count as 0.
int CharColumns(char32_t c);

std::size_t DisplayWidth(std::u16string_view text);

// The text followed by spaces up to nColumns, or by one space when it is
// already as wide (so that columns never run into each other).
std::u16string PadToWidth(std::u16string_view text, std::size_t nColumns);

}  // namespace rf
