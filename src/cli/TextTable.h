#pragma once

// Tables of the terminal: a header row, columns padded by display width,
// numbers aligned on the right, and the whole no wider than the terminal.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace rf {

using TableRows = std::vector<std::vector<std::u16string>>;

// What becomes of a last column that does not fit: its text goes on over
// further lines under its own start (nothing is lost), or it is cut and
// marked, for views redrawn in place, whose rows must stay one line each.
enum class TableOverflow { Wrap, Cut };

// One line per row (more where the last column wraps), each ended by "\n"
// and narrower than nWidth, so that a terminal of that width never breaks a
// line by itself. The columns in rightAligned (by index) are padded on the
// left. Only the last column gives way; when the others alone are wider,
// the lines are as wide as they must be.
std::u16string FormatTable(const TableRows& rows, std::size_t nWidth,
                           std::initializer_list<std::size_t> rightAligned = {},
                           TableOverflow overflow = TableOverflow::Wrap);

// The text cut to at most nColumns, its last column a "~" when cut.
std::u16string CutToWidth(std::u16string_view text, std::size_t nColumns);

// The title of each column of a string-table text "A|B|C".
std::vector<std::u16string> SplitTitles(std::u16string_view titles);

// The width of the terminal on standard output: COLUMNS when set, else
// what the terminal says, else 80.
std::size_t TerminalColumns();

}  // namespace rf
