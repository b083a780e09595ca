#include <ostream>

#include "base/Text.h"
#include "cli/BrokerAccess.h"
#include "text/StringTable.h"

namespace rf {

// No broker here: the program opens the drives itself (as an
// administrator on Windows).
struct CBrokerAccess::Parts {
    IDeviceSystem* pSystem = nullptr;
    std::optional<std::string> broker;
};

CBrokerAccess::CBrokerAccess(IDeviceSystem& local, const std::optional<std::string>& broker,
                             const std::string&, bool)
    : m_pParts(std::make_unique<Parts>()) {
    m_pParts->pSystem = &local;
    m_pParts->broker = broker;
}

CBrokerAccess::~CBrokerAccess() = default;

IDeviceSystem& CBrokerAccess::System() {
    return *m_pParts->pSystem;
}

void CBrokerAccess::Report(std::ostream& err) {
    if (m_pParts->broker) {
        err << Utf16ToUtf8(LoadResString(IDS_BROKER_UNREACHABLE) + Utf8ToUtf16(*m_pParts->broker))
            << '\n';
    }
}

}  // namespace rf
