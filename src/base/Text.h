#pragma once

// Texts shown to people are UTF-16. These helpers convert at the edges (the
// terminal, the command line, file names) and widen bytes taken from images
// or devices one byte to one character.

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "base/Types.h"

namespace rf {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// One code point, which must be a Unicode scalar value, as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// Each byte becomes the character with the same code (no code-page conversion).
std::u16string WidenBytes(const BYTE* pData, std::size_t nLength);
// ASCII literal to UTF-16; characters above 0x7F are widened byte by byte.
std::u16string Widen(std::string_view ascii);

// ASCII-only, case-insensitive comparison (option keywords).
bool EqualsNoCase(std::string_view a, std::string_view b);

// Trims space, tab, CR, LF, vertical tab and form feed from both ends.
std::u16string Trim(std::u16string_view text);

// Every hexadecimal text of the program comes from here: values padded to
// nDigits ("%0*X"), bytes as two digits each.
enum class HexCase { Upper, Lower };
std::string HexText(unsigned long long value, int nDigits);
std::u16string Hex(unsigned long long value, int nDigits);
void AppendHexBytes(std::string& text, std::span<const BYTE> bytes,
                    HexCase letters = HexCase::Upper);
std::string HexBytes(std::span<const BYTE> bytes, HexCase letters = HexCase::Upper);

// The text with "%1", "%2"... replaced by the values in order; a number
// without a value stays as it is. Translations may put them in any order.
std::u16string FillPlaceholders(std::u16string_view text,
                                std::initializer_list<std::u16string_view> values);

// Exactly nBytes bytes written as hex digits, two a byte, either case;
// false (pBytes partly filled) for another length or a non-hex character.
bool ParseHexBytes(std::string_view hex, BYTE* pBytes, std::size_t nBytes);

}  // namespace rf
