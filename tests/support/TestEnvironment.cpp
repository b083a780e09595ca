#include "support/TestEnvironment.h"

#include "base/Environment.h"
#include "base/VersionRecord.h"

namespace rf::test {

int CScriptedMessageBoxes::Show(const std::u16string& text, const std::u16string& caption,
                                UINT nType) {
    shown.push_back(Shown{text, caption, nType});
    if (!answers.empty()) {
        const int nAnswer = answers.front();
        answers.pop_front();
        return nAnswer;
    }
    return (nType & MB_BUTTONS_MASK) == MB_YESNO ? IDNO : IDOK;
}

CTestEnvironment::CTestEnvironment()
    : clock(1'000'000'000),
      m_scopedClock(clock),
      m_scopedPump(loop),
      m_scopedMessageBoxes(messageBoxes),
      m_savedOptions(theCmdInfo),
      m_savedLanguage(CurrentLanguage()),
      m_savedAppName(AppName()),
      m_savedStateHome(GetEnvironmentUtf8(kStateHomeVariable)) {
    SetEnvironmentUtf8(kStateHomeVariable, stateDirectory.Root());
    theCmdInfo = CReflasherCommandLineInfo();
    SetCurrentLanguage(Language::English);
}

CTestEnvironment::~CTestEnvironment() {
    SetEnvironmentUtf8(kStateHomeVariable, m_savedStateHome);
    theCmdInfo = m_savedOptions;
    SetCurrentLanguage(m_savedLanguage);
    SetAppName(m_savedAppName);
    SetVersionRecordProvider(nullptr);
    CloseVersionInfo();
}

CScopedEnv::CScopedEnv(const char* pszName, std::optional<std::string> value)
    : m_strName(pszName), m_previous(GetEnvironmentUtf8(pszName)) {
    SetEnvironmentUtf8(pszName, value);
}

CScopedEnv::~CScopedEnv() {
    SetEnvironmentUtf8(m_strName.c_str(), m_previous);
}

}  // namespace rf::test
