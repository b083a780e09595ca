#include <locale.h>
#include <wchar.h>

#include "base/TextWidth.h"

namespace rf {

// The C library knows the widths, but only under a UTF-8 locale; the
// program's own locale may be "C" (scripts, services), so the lookup runs
// under C.UTF-8, which every glibc carries, whatever the process uses.
int CharColumns(char32_t c) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (utf8 == static_cast<locale_t>(0)) {
        return c < 0x20 ? 0 : 1;
    }
    const locale_t previous = uselocale(utf8);
    const int nColumns = wcwidth(static_cast<wchar_t>(c));
    uselocale(previous);
    return nColumns < 0 ? 0 : nColumns;
}

}  // namespace rf
