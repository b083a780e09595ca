#include "ui/qt/WindowApp.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QTimer>

#include "framework/MessageLoop.h"
#include "framework/Messages.h"
#include "framework/WindowMessagePump.h"
#include "text/StringTable.h"
#include "ui/WindowProgram.h"
#include "ui/qt/DialogWindow.h"
#include "ui/qt/QtMessageBoxes.h"
#include "ui/qt/QtMessagePump.h"

namespace rf {

namespace {

// Families that hold Japanese glyphs in the Japanese forms, best first.
constexpr const char* kJapaneseFonts[] = {"Noto Sans CJK JP", "Noto Sans JP", "IPAPGothic",
                                          "TakaoPGothic", "VL PGothic"};

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
    CScopedFrontEndPump scopedTurn(WindowMessagePump());
    CQtMessageBoxes messageBoxes;
    CScopedMessageBoxes scopedMessageBoxes(messageBoxes);

    // The dialog outlives its window; the window unbinds its views first.
    return RunWindowProgram(args, hardware, [&messageBoxes](CMainDlg& dialog, bool bEmulated) {
        CDialogWindow window(dialog);
        messageBoxes.SetOwner(&window);
        if (!bEmulated) {
            QTimer::singleShot(0, &window, [&dialog] {
                WarnOfDrivesWithoutAccess(dialog.m_device.System(), dialog.m_device.m_bAllProducts);
            });
        }
        window.exec();
        messageBoxes.SetOwner(nullptr);
        return true;
    });
}

}  // namespace rf
