#include "cli/TextTable.h"

#include <algorithm>
#include <cstdlib>

#include "base/Environment.h"
#include "base/TextWidth.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace rf {

namespace {

constexpr std::size_t kGap = 2;
// Narrower than this, a wrapped column is no longer readable: the table
// runs over the width instead.
constexpr std::size_t kMinLastColumn = 12;

// The length in code units of the longest head of the text that fits the
// columns, a surrogate pair kept whole.
std::size_t HeadFitting(std::u16string_view text, std::size_t nColumns) {
    std::size_t nUsed = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t nUnits =
            text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() ? 2 : 1;
        const std::size_t nWidth = DisplayWidth(text.substr(i, nUnits));
        if (nUsed + nWidth > nColumns) {
            break;
        }
        nUsed += nWidth;
        i += nUnits;
    }
    return i;
}

// The text in pieces of at most nColumns, broken after a space where one
// is near enough to the end, else anywhere (Japanese has no spaces).
std::vector<std::u16string> WrapToWidth(std::u16string_view text, std::size_t nColumns) {
    std::vector<std::u16string> pieces;
    while (DisplayWidth(text) > nColumns) {
        std::size_t nHead = std::max<std::size_t>(HeadFitting(text, nColumns), 1);
        const std::size_t nSpace = text.substr(0, nHead + 1).rfind(u' ');
        if (nSpace != std::u16string_view::npos && nSpace > nHead / 2) {
            nHead = nSpace + 1;
        }
        std::u16string piece(text.substr(0, nHead));
        while (!piece.empty() && piece.back() == u' ') {
            piece.pop_back();
        }
        pieces.push_back(std::move(piece));
        text.remove_prefix(nHead);
    }
    pieces.emplace_back(text);
    return pieces;
}

std::u16string Spaces(std::size_t n) {
    return std::u16string(n, u' ');
}

}  // namespace

std::u16string CutToWidth(std::u16string_view text, std::size_t nColumns) {
    if (DisplayWidth(text) <= nColumns) {
        return std::u16string(text);
    }
    if (nColumns == 0) {
        return u"";
    }
    return std::u16string(text.substr(0, HeadFitting(text, nColumns - 1))) + u"~";
}

std::vector<std::u16string> SplitTitles(std::u16string_view titles) {
    std::vector<std::u16string> result;
    for (std::size_t nStart = 0;;) {
        const std::size_t nBar = titles.find(u'|', nStart);
        result.emplace_back(titles.substr(nStart, nBar - std::min(nBar, nStart)));
        if (nBar == std::u16string_view::npos) {
            return result;
        }
        nStart = nBar + 1;
    }
}

std::u16string FormatTable(const TableRows& rows, std::size_t nWidth,
                           std::initializer_list<std::size_t> rightAligned,
                           TableOverflow overflow) {
    std::vector<std::size_t> widths;
    for (const std::vector<std::u16string>& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], DisplayWidth(row[i]));
        }
    }
    if (widths.empty()) {
        return u"";
    }
    // Every line stays short of the width: a line that fills it leaves a
    // terminal's cursor waiting to wrap, and the next clear or newline
    // lands a line too low.
    std::size_t nFixed = 0;
    for (std::size_t i = 0; i + 1 < widths.size(); ++i) {
        nFixed += widths[i] + kGap;
    }
    const std::size_t nRoom = nWidth > nFixed + 1 ? nWidth - nFixed - 1 : 0;
    const std::size_t nLast = std::max(std::min(widths.back(), nRoom), kMinLastColumn);
    const auto isRight = [&](std::size_t i) {
        return std::find(rightAligned.begin(), rightAligned.end(), i) != rightAligned.end();
    };
    std::u16string text;
    for (const std::vector<std::u16string>& row : rows) {
        std::u16string line;
        std::size_t nColumn = 0;
        for (std::size_t i = 0; i + 1 < row.size(); ++i) {
            const std::size_t nPad = widths[i] - std::min(widths[i], DisplayWidth(row[i]));
            line +=
                isRight(i) ? Spaces(nPad) + row[i] + Spaces(kGap) : row[i] + Spaces(nPad + kGap);
            nColumn += widths[i] + kGap;
        }
        std::vector<std::u16string> pieces{u""};
        if (!row.empty()) {
            std::u16string last = row.back();
            if (isRight(row.size() - 1)) {
                last = Spaces(widths[row.size() - 1] -
                              std::min(widths[row.size() - 1], DisplayWidth(last))) +
                       last;
            }
            pieces = overflow == TableOverflow::Cut ? std::vector{CutToWidth(last, nLast)}
                                                    : WrapToWidth(last, nLast);
        }
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            std::u16string out = (i == 0 ? line : Spaces(nColumn)) + pieces[i];
            while (!out.empty() && out.back() == u' ') {
                out.pop_back();
            }
            text += out + u"\n";
        }
    }
    return text;
}

std::size_t TerminalColumns() {
    if (const auto columns = GetEnvironmentUtf8("COLUMNS")) {
        const long nColumns = std::strtol(columns->c_str(), nullptr, 10);
        if (nColumns > 0 && nColumns < 10'000) {
            return static_cast<std::size_t>(nColumns);
        }
    }
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) &&
        info.srWindow.Right > info.srWindow.Left) {
        return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
    }
#else
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
#endif
    return 80;
}

}  // namespace rf
