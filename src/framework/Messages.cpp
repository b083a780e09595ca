#include "framework/Messages.h"

#include <utility>

#include "text/StringTable.h"

namespace rf {

namespace {

class CSilentMessageBoxes final : public IMessageBoxService {
public:
    int Show(const std::u16string&, const std::u16string&, UINT nType) override {
        return (nType & MB_BUTTONS_MASK) == MB_YESNO ? IDNO : IDOK;
    }
};

CSilentMessageBoxes g_silent;
IMessageBoxService* g_pService = &g_silent;

std::u16string& AppNameStorage() {
    static std::u16string name = u"reflasher";
    return name;
}

}  // namespace

IMessageBoxService& CurrentMessageBoxes() {
    return *g_pService;
}

void SetCurrentMessageBoxes(IMessageBoxService* pService) {
    g_pService = pService != nullptr ? pService : &g_silent;
}

CScopedMessageBoxes::CScopedMessageBoxes(IMessageBoxService& service) : m_pPrevious(g_pService) {
    g_pService = &service;
}

CScopedMessageBoxes::~CScopedMessageBoxes() {
    g_pService = m_pPrevious;
}

const std::u16string& AppName() {
    return AppNameStorage();
}

void SetAppName(std::u16string name) {
    AppNameStorage() = std::move(name);
}

int ShowMessage(UINT nId, UINT nType) {
    return CurrentMessageBoxes().Show(LoadResString(nId), AppName(), nType);
}

}  // namespace rf
