#include <optional>
#include <ostream>

#include "base/Text.h"
#include "cli/BrokerAccess.h"
#include "device/broker/BrokerDeviceSystem.h"
#include "text/StringTable.h"

namespace rf {

struct CBrokerAccess::Parts {
    IDeviceSystem* pSystem = nullptr;
    bool bNamed = false;
    std::optional<CBrokerDeviceSystem> broker;
    std::optional<CBrokerFallbackDeviceSystem> fallback;
};

CBrokerAccess::CBrokerAccess(IDeviceSystem& local, const std::optional<std::string>& broker,
                             const std::string& strFallback, bool bAllProducts)
    : m_pParts(std::make_unique<Parts>()) {
    m_pParts->pSystem = &local;
    if (broker) {
        m_pParts->bNamed = true;
        m_pParts->pSystem = &m_pParts->broker.emplace(*broker);
    } else if (!strFallback.empty()) {
        m_pParts->broker.emplace(strFallback);
        m_pParts->pSystem = &m_pParts->fallback.emplace(local, *m_pParts->broker);
    }
    if (m_pParts->broker) {
        m_pParts->broker->SetAllProducts(bAllProducts);
    }
}

CBrokerAccess::~CBrokerAccess() = default;

IDeviceSystem& CBrokerAccess::System() {
    return *m_pParts->pSystem;
}

void CBrokerAccess::Report(std::ostream& err) {
    if (!m_pParts->broker) {
        return;
    }
    CBrokerDeviceSystem& broker = *m_pParts->broker;
    // Where the broker is only the fallback, its absence is told by the
    // drives that could not be opened.
    if (m_pParts->bNamed && broker.Unreachable()) {
        err << Utf16ToUtf8(LoadResString(IDS_BROKER_UNREACHABLE) + Utf8ToUtf16(broker.Socket()))
            << '\n';
    }
    for (const BrokerNotice& notice : broker.TakeNotices()) {
        std::u16string line =
            LoadResString(IDS_BROKER_REFUSED) + LoadResString(BrokerRefusalMessage(notice.refusal));
        if (!notice.what.empty()) {
            line += u": " + notice.what;
        }
        err << Utf16ToUtf8(line) << '\n';
    }
}

}  // namespace rf
