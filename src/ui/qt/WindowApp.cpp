#include "ui/qt/WindowApp.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <memory>

#include "app/MessageLoop.h"
#include "app/Messages.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/Text.h"
#include "cli/EmulatedSession.h"
#include "ui/MainUserDlg.h"
#include "ui/qt/DialogWindow.h"
#include "ui/qt/QtMessageBoxes.h"
#include "ui/qt/QtMessagePump.h"
#include "ui/WindowOptions.h"

namespace rf {

namespace {

// Families that hold Japanese glyphs in the Japanese forms, best first.
constexpr const char* kJapaneseFonts[] = {"Noto Sans CJK JP", "Noto Sans JP", "IPAPGothic",
                                          "TakaoPGothic", "VL PGothic"};

void ShowError(const std::u16string& text) {
    CurrentMessageBoxes().Show(text, AppName(), MB_KIND_ERROR);
}

}  // namespace

void UseFontForLanguage() {
    if (CurrentLanguage() != Language::Japanese) {
        return;
    }
    const QStringList families = QFontDatabase::families();
    for (const char* pszFamily : kJapaneseFonts) {
        const QString family = QString::fromLatin1(pszFamily);
        if (families.contains(family)) {
            QFont font = QApplication::font();
            font.setFamily(family);
            QApplication::setFont(font);
            return;
        }
    }
}

int RunWindowApp(const std::vector<std::u16string>& args, IDeviceSystem& hardware) {
    SetCurrentLanguage(DetectLanguageFromEnvironment());
    UseFontForLanguage();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/org.reflasher.Reflasher.svg")));

    CQtMessagePump pump;
    CScopedPump scopedPump(pump);
    CQtMessageBoxes messageBoxes;
    CScopedMessageBoxes scopedMessageBoxes(messageBoxes);

    const WindowOptions options = SplitWindowOptions(args, DefaultEmulatorDirectory());
    std::u16string title;
    if (!StartApplication(options.updaterArgs, title)) {
        return 1;
    }

    std::unique_ptr<CEmulatedSession> session;
    IDeviceSystem* pSystem = &hardware;
    if (options.emulateDirectory) {
        std::string strError;
        session = CEmulatedSession::Open(*options.emulateDirectory, strError);
        if (session == nullptr) {
            ShowError(LoadResString(IDS_CLI_EMULATOR_ERROR) + Utf8ToUtf16(strError));
            return 1;
        }
        pSystem = &session->System();
    }

    // The dialog outlives its window; the window unbinds its views first.
    std::unique_ptr<CMainDlg> pDialog;
    if (SelectDialogTemplate(theCmdInfo) == IDD_MAIN_DIALOG) {
        pDialog = std::make_unique<CMainDlg>(*pSystem);
    } else {
        pDialog = std::make_unique<CMainUserDlg>(*pSystem);
    }
    {
        CDialogWindow window(*pDialog);
        messageBoxes.SetOwner(&window);
        window.exec();
        messageBoxes.SetOwner(nullptr);
    }

    if (session != nullptr) {
        std::string strError;
        if (!session->Save(strError)) {
            ShowError(LoadResString(IDS_CLI_EMULATOR_ERROR) + Utf8ToUtf16(strError));
            return 1;
        }
    }
    return 0;
}

}  // namespace rf
