#include "update/ProductVersions.h"

#include <cstdio>

#include "base/Text.h"
#include "text/StringTable.h"

namespace rf {

namespace {

struct ProductVersionRow {
    WORD wProductVersion;
    const char16_t* apszVersions[4];
};

constexpr ProductVersionRow kProductVersions[] = {
    {0x0100, {u"0024", u"C017", u"0025", u"0022"}},
    {0x0100, {u"0025", u"C018", u"0026", u"0023"}},
    {0x0101, {u"0027", u"C018", u"0029", u"0023"}},
};

}  // namespace

WORD LookUpProductVersion(const std::array<std::u16string, 4>& versions) {
    for (const ProductVersionRow& row : kProductVersions) {
        bool bEqual = true;
        for (std::size_t i = 0; i < versions.size(); ++i) {
            bEqual = bEqual && versions[i] == row.apszVersions[i];
        }
        if (bEqual) {
            return row.wProductVersion;
        }
    }
    return 0xFFFF;
}

std::u16string FormatProductVersion(WORD wVersion) {
    if (wVersion == 0xFFFF) {
        return LoadResString(IDS_UNKNOWN);
    }
    return u"Ver." + Hex(wVersion >> 8, 1) + u"." + Hex(wVersion & 0xFFu, 2);
}

}  // namespace rf
