#pragma once

// What every test that touches the application's shared services starts
// from: a virtual clock, a headless message loop, scripted message boxes,
// English texts, default options and a user state directory of its own (so
// that no test reads or writes the journal of the person running it).
// Everything is restored afterwards.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/CommandLine.h"
#include "framework/MessageLoop.h"
#include "framework/Messages.h"
#include "framework/WindowMessagePump.h"
#include "support/TempFiles.h"
#include "text/StringTable.h"

namespace rf::test {

// Where the program finds the user's state directory.
#ifdef _WIN32
inline constexpr char kStateHomeVariable[] = "LOCALAPPDATA";
#else
inline constexpr char kStateHomeVariable[] = "XDG_STATE_HOME";
#endif

// Records every message box and answers from a script (default: OK for
// OK boxes, No for questions).
class CScriptedMessageBoxes final : public IMessageBoxService {
public:
    struct Shown {
        std::u16string text;
        std::u16string caption;
        UINT nType;
    };

    int Show(const std::u16string& text, const std::u16string& caption, UINT nType) override;

    std::vector<Shown> shown;
    std::deque<int> answers;
};

class CTestEnvironment {
public:
    CTestEnvironment();
    ~CTestEnvironment();
    CTestEnvironment(const CTestEnvironment&) = delete;
    CTestEnvironment& operator=(const CTestEnvironment&) = delete;

    CVirtualClock clock;
    CHeadlessMessageLoop loop;
    CScriptedMessageBoxes messageBoxes;
    CTempFiles stateDirectory;

private:
    CScopedClock m_scopedClock;
    CScopedPump m_scopedPump;
    // The device layer's waits pump the loop, as in the window programs.
    CScopedFrontEndPump m_scopedTurn{WindowMessagePump()};
    CScopedMessageBoxes m_scopedMessageBoxes;
    CReflasherCommandLineInfo m_savedOptions;
    Language m_savedLanguage;
    std::u16string m_savedAppName;
    std::optional<std::string> m_savedStateHome;
};

// Sets (or, with nullopt, removes) an environment variable for its lifetime.
class CScopedEnv {
public:
    CScopedEnv(const char* pszName, std::optional<std::string> value);
    ~CScopedEnv();
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    std::string m_strName;
    std::optional<std::string> m_previous;
};

}  // namespace rf::test
