#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include "WindowFixture.h"
#include "base/Text.h"
#include "base/VersionRecord.h"
#include "device/FrontEndPump.h"
#include "support/RecordingTarget.h"
#include "support/TempFiles.h"
#include "text/StringTable.h"
#include "ui/ControlIds.h"
#include "ui/WindowOptions.h"
#include "ui/qt/ControlViews.h"
#include "ui/qt/WindowApp.h"

namespace rf::test {
namespace {

TEST(QtMessagePumpTest, PostedMessagesTravelThroughQtsQueueAndWaitForThePump) {
    CTestEnvironment env;
    CQtMessagePump pump;
    CScopedPump scoped(pump);
    ExpectPostedMessagesWaitForThePump();

    // A target that is gone gets nothing, even at the same address.
    auto pGone = std::make_unique<CRecordingTarget>();
    PostMessageTo(*pGone, WM_USER, 0, 0);
    pump.SetTimer(*pGone, 1, 10);
    pGone.reset();
    auto pNew = std::make_unique<CRecordingTarget>();
    env.clock.Advance(1'000'000);
    PumpMessages();
    EXPECT_TRUE(pNew->received.empty());
}

TEST(QtMessagePumpTest, TimersRunOnTheProgramsClock) {
    CTestEnvironment env;
    CQtMessagePump pump;
    CScopedPump scoped(pump);
    CRecordingTarget target;
    const std::uint64_t nStart = GetTickCount64();
    pump.SetTimer(target, 1, 1000);
    EXPECT_EQ(pump.NextTimerDue(), nStart + 1000);
    SleepPumping(999);
    EXPECT_TRUE(target.received.empty());
    // A tick comes with the first pump after it is due, and the next one is
    // due a period after that.
    SleepPumping(2001);
    ASSERT_EQ(target.received.size(), 2u);
    EXPECT_EQ(target.received[0].nMessage, WM_TIMER);
    EXPECT_GE(target.received[0].nTick - nStart, 1000u);
    EXPECT_LE(target.received[0].nTick - nStart, 1000u + kPumpSliceMilliseconds);
    EXPECT_EQ(target.received[1].nTick - target.received[0].nTick, 1000u);
    pump.KillTimer(target, 1);
    SleepPumping(5000);
    EXPECT_EQ(target.received.size(), 2u);
}

TEST(ProgressViewTest, NegativeRangesAndPositionsOutsideTheRange) {
    QProgressBar bar;
    CProgressView view(&bar);
    CProgressCtrl progress;
    progress.SetView(&view);
    progress.SetRange32(-4096, 4096);
    progress.SetPos(-2048);
    EXPECT_EQ(bar.minimum(), -4096);
    EXPECT_EQ(bar.value(), -2048);
    // Qt would keep the old value; the bar shows the nearest end instead.
    progress.SetPos(9000);
    EXPECT_EQ(bar.value(), 4096);
    progress.SetPos(-9000);
    EXPECT_EQ(bar.value(), -4096);
    // A range without width is an empty bar, not a busy indicator.
    progress.SetRange32(0, 0);
    EXPECT_LT(bar.minimum(), bar.maximum());
    EXPECT_EQ(bar.value(), bar.minimum());
    progress.SetRange32(0, 100);
    progress.SetPos(50);
    progress.SetView(nullptr);
}

TEST(WindowOptionsTest, EmulateIsTheWindowsOwnEverythingElseTheUpdaters) {
    struct Case {
        std::vector<std::u16string> args;
        std::optional<std::string> directory;
        std::vector<std::u16string> updaterArgs;
    };
    const Case cases[] = {
        {{u"/Emulate"}, "DEFAULT", {}},
        {{u"-emulate=/tmp/e=1", u"/AutoUpdate"}, "/tmp/e=1", {u"/AutoUpdate"}},
        {{u"--EMULATE"}, "DEFAULT", {}},
        {{u"/Emulate="}, "DEFAULT", {}},
        {{u"Emulate", u"/EmulateX", u"/UIRSC=x.bin"},
         std::nullopt,
         {u"Emulate", u"/EmulateX", u"/UIRSC=x.bin"}},
        {{u"/Emulate=a", u"/Emulate=b"}, "b", {}},
    };
    for (const Case& c : cases) {
        const WindowOptions options = SplitWindowOptions(c.args, "DEFAULT");
        EXPECT_EQ(options.emulateDirectory, c.directory) << Utf16ToUtf8(c.args.front());
        EXPECT_EQ(options.updaterArgs, c.updaterArgs) << Utf16ToUtf8(c.args.front());
    }
    const WindowOptions named = SplitWindowOptions({u"-device=/dev/sdc", u"/AutoUpdate"}, "D");
    EXPECT_EQ(named.device, u"/dev/sdc");
    EXPECT_EQ(named.updaterArgs, std::vector<std::u16string>{u"/AutoUpdate"});
}

// The program from its entry: which window opens, on which drives.
class StartUpTest : public ::testing::Test {
protected:
    CTestEnvironment env;
    CMessageBoxAnswerer answerer;
    CTempFiles temp;
    CScopedEnv language{"LANGUAGE", std::nullopt};
    CScopedEnv all{"LC_ALL", std::nullopt};
    CScopedEnv messages{"LC_MESSAGES", std::nullopt};
    CScopedEnv lang{"LANG", "C"};
    emu::CEmulatedDeviceSystem noDrives;
};

TEST_F(StartUpTest, WithoutItsVersionRecordTheProgramSaysSoAndOpensNoWindow) {
    SetVersionRecordProvider([]() -> const VersionRecord* { return nullptr; });
    bool bWindow = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        bWindow |= dynamic_cast<CDialogWindow*>(QApplication::activeModalWidget()) != nullptr;
    });
    watch.start(1);
    EXPECT_EQ(RunWindowApp({u"/EnableVendorMode"}, noDrives), 1);
    ASSERT_EQ(answerer.shown.size(), 1u);
    EXPECT_EQ(answerer.shown[0].text, "Can not get version informations.");
    EXPECT_EQ(answerer.shown[0].icon, QMessageBox::Critical);
    EXPECT_EQ(answerer.shown[0].title, "reflasher") << "the title is built only after the check";
    EXPECT_FALSE(bWindow);
    EXPECT_FALSE(theCmdInfo.m_bEnableVendorMode) << "options are parsed only after the check";
}

TEST_F(StartUpTest, EmulateOpensTheChosenDialogOnTheEmulatedEnclosure) {
    struct Seen {
        bool bFullDialog = false;
        QString title;
        QString deviceName;
    };
    for (const bool bVendor : {true, false}) {
        Seen seen;
        QTimer watch;
        // Once the emulated enclosure shows, look, and close with Escape.
        QObject::connect(&watch, &QTimer::timeout, [&] {
            CDialogWindow* pWindow = nullptr;
            for (QWidget* pWidget : QApplication::topLevelWidgets()) {
                if (auto* pCandidate = dynamic_cast<CDialogWindow*>(pWidget);
                    pCandidate && pCandidate->isVisible()) {
                    pWindow = pCandidate;
                }
            }
            if (pWindow == nullptr) {
                return;
            }
            auto* pName = qobject_cast<QLineEdit*>(pWindow->Control(IDC_DEVICE_NAME));
            if (pName->text() != "KESTREL  DVX4400DUO") {
                return;
            }
            seen = Seen{pWindow->Control(IDC_ROM_VERSION_FLASH) != nullptr, pWindow->windowTitle(),
                        pName->text()};
            QTest::keyClick(pWindow, Qt::Key_Escape);
        });
        watch.start(1);
        std::vector<std::u16string> args = {u"/Emulate=" + Utf8ToUtf16(temp.Root() + "/enclosure")};
        if (bVendor) {
            args.push_back(u"-enablevendormode");
        }
        theCmdInfo = CReflasherCommandLineInfo();
        EXPECT_EQ(RunWindowApp(args, noDrives), 0);
        EXPECT_EQ(seen.bFullDialog, bVendor);
        EXPECT_EQ(seen.title, "Firmware Updater Ver.1.02");
        EXPECT_EQ(seen.deviceName, "KESTREL  DVX4400DUO");
    }
}

}  // namespace
}  // namespace rf::test
