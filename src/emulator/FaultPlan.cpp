#include "emulator/FaultPlan.h"

#include <charconv>

namespace rf::emu {

namespace {

struct KindName {
    FaultKind kind;
    const char* pszName;
};

constexpr KindName kKindNames[] = {
    {FaultKind::Fail, "fail"},
    {FaultKind::CheckCondition, "check-condition"},
    {FaultKind::PowerCut, "power-cut"},
    {FaultKind::LinkNoAnswer, "no-answer"},
    {FaultKind::LinkBadChecksum, "bad-checksum"},
    {FaultKind::LinkNak, "nak"},
    {FaultKind::Interrupt, "interrupt"},
};

bool ParseNumber(std::string_view text, std::uint64_t& nValue) {
    if (text.empty()) {
        return false;
    }
    const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), nValue);
    return error == std::errc() && pEnd == text.data() + text.size();
}

}  // namespace

std::optional<Fault> ParseFault(std::string_view text) {
    const std::size_t nColon = text.find(':');
    if (nColon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view name = text.substr(0, nColon);
    std::string_view where = text.substr(nColon + 1);
    Fault fault;
    bool bKnown = false;
    for (const KindName& entry : kKindNames) {
        if (name == entry.pszName) {
            fault.kind = entry.kind;
            bKnown = true;
        }
    }
    if (!bKnown) {
        return std::nullopt;
    }
    const std::size_t nPlus = where.find('+');
    if (nPlus != std::string_view::npos) {
        if (fault.kind != FaultKind::PowerCut ||
            !ParseNumber(where.substr(nPlus + 1), fault.nAfterMicroseconds)) {
            return std::nullopt;
        }
        where = where.substr(0, nPlus);
    }
    if (!ParseNumber(where, fault.nIndex)) {
        return std::nullopt;
    }
    return fault;
}

std::string FaultKindName(FaultKind kind) {
    for (const KindName& entry : kKindNames) {
        if (entry.kind == kind) {
            return entry.pszName;
        }
    }
    return "?";
}

std::vector<std::string> FaultKindNames() {
    std::vector<std::string> names;
    for (const KindName& entry : kKindNames) {
        names.emplace_back(entry.pszName);
    }
    return names;
}

}  // namespace rf::emu
