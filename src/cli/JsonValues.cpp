#include "cli/JsonValues.h"

#include <array>
#include <cstdio>

#include "base/Text.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"
#include "update/ProductVersions.h"

namespace rf {

namespace {

// The texts a memory shows instead of a version, and what they mean.
struct VersionState {
    UINT nText;
    const char* pszState;
};
constexpr VersionState kVersionStates[] = {
    {IDS_UNREADABLE, "unreadable"},
    {IDS_ERR_INVALID_ROM, "invalid"},
    {IDS_ERR_VERSION_INFO, "no_version_info"},
    {IDS_ERR_READ_FILE, "unreadable"},
};

// What the memory shows in place of a version; null when it shows one.
const char* StateOf(const std::u16string& shown) {
    if (shown.empty()) {
        return "not_read";
    }
    for (const VersionState& state : kVersionStates) {
        if (shown == LoadResString(state.nText)) {
            return state.pszState;
        }
    }
    return nullptr;
}

}  // namespace

CJson OneSpaced(const std::u16string& text) {
    std::u16string spaced;
    for (const char16_t c : text) {
        const bool bSpace = c == u' ' || c == u'\t' || c == u'\0';
        if (!bSpace) {
            spaced.push_back(c);
        } else if (!spaced.empty() && spaced.back() != u' ') {
            spaced.push_back(u' ');
        }
    }
    while (!spaced.empty() && spaced.back() == u' ') {
        spaced.pop_back();
    }
    return spaced.empty() ? CJson(nullptr) : CJson(spaced);
}

CJson OneSpaced(const std::string& text) {
    return OneSpaced(Widen(text));
}

CJson ProductVersionValue(WORD wVersion) {
    if (wVersion == 0xFFFF) {
        return nullptr;
    }
    char acText[16];
    std::snprintf(acText, sizeof acText, "%X.%02X", wVersion >> 8, wVersion & 0xFFu);
    return std::string(acText);
}

namespace {

// The shipped combinations are listed by the short versions ("0027"); the
// vendor's longer texts begin with them ("0029 (2013/11/12 17:28:04)"), or
// for the bridge with the same number written "0.27".
std::u16string ShortVersion(const std::u16string& text) {
    std::u16string head = text.substr(0, text.find(u' '));
    const std::size_t nDot = head.find(u'.');
    if (nDot == std::u16string::npos || nDot == 0 || nDot > 2 || head.size() - nDot - 1 != 2) {
        return head;
    }
    return std::u16string(2 - nDot, u'0') + head.substr(0, nDot) + head.substr(nDot + 1);
}

}  // namespace

WORD ProductVersionWord(CFirmwareUpdate& update, bool bDevice) {
    const std::array<CRomObject*, kImageMemoryCount> roms = update.Writable();
    std::array<std::u16string, kImageMemoryCount> versions;
    for (std::size_t i = 0; i < roms.size(); ++i) {
        versions[i] =
            ShortVersion(bDevice ? roms[i]->m_strDeviceVersion : roms[i]->m_strRomVersion);
    }
    return LookUpProductVersion(versions);
}

void WriteDeviceVersion(const CRomObject& rom, CJson& memory) {
    const std::u16string& shown = rom.m_strDeviceVersion;
    const char* pszState = StateOf(shown);
    // A bridge without firmware names its FLASH-ROM chip instead.
    if (pszState == nullptr && shown.starts_with(u"FLASH-ROM = ")) {
        pszState = "rom_mode";
    }
    if (pszState == nullptr && shown == u"(Running on Debugger)") {
        pszState = "debugger";
    }
    memory["device_version"] = pszState == nullptr ? CJson(shown) : CJson(nullptr);
    memory["device_state"] = pszState == nullptr ? "read" : pszState;
}

CJson ImageVersionValue(const CRomObject& rom) {
    if (!rom.IsLoaded() || StateOf(rom.m_strRomVersion) != nullptr) {
        return nullptr;
    }
    return rom.m_strRomVersion;
}

CJson TextOrNull(const std::u16string& text) {
    return text.empty() ? CJson(nullptr) : CJson(text);
}

}  // namespace rf
