#pragma once

// A dialog of the updater in its real window, on Qt's offscreen platform,
// against emulated enclosures: the message pump over Qt, real message boxes
// answered from a script, and the virtual clock of the headless fixture.

#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "support/DialogFixture.h"
#include "ui/qt/DialogWindow.h"
#include "ui/qt/QtMessageBoxes.h"
#include "ui/qt/QtMessagePump.h"

namespace rf::test {

// Watches for message boxes while they are shown, records them and presses
// the scripted button (default: OK, or No for a question).
class CMessageBoxAnswerer {
public:
    struct Shown {
        QString text;
        QString title;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QString yesText;
        QString noText;
    };

    CMessageBoxAnswerer();

    std::deque<QMessageBox::StandardButton> answers;
    // Runs while a box is up, before it is answered.
    std::function<void(QMessageBox&)> onShown;
    std::vector<Shown> shown;

private:
    void Answer(QMessageBox& box);

    QTimer m_timer;
};

class CWindowFixture : public CDialogFixture {
public:
    CWindowFixture();
    ~CWindowFixture() override;

    // Makes the full or the user dialog, opens it in its window and runs
    // until the device (if any) has been read.
    CDialogWindow& OpenWindow(bool bVendor);
    // Runs the Qt pump, moving the virtual clock on to each timer, until
    // bDone() holds or nMilliseconds of clock time have passed.
    bool RunUntil(const std::function<bool()>& bDone, std::uint64_t nMilliseconds);
    void RunWindowFor(std::uint64_t nMilliseconds);
    // Clicks the update button and runs until the command was handled.
    UINT ClickUpdate();

    // The text a control's widget shows.
    QString Shown(UINT nId) const;

    CQtMessagePump pump;
    CQtMessageBoxes qtMessageBoxes;
    CMessageBoxAnswerer answerer;
    std::unique_ptr<CDialogWindow> pWindow;

private:
    CScopedPump m_scopedPump{pump};
    CScopedMessageBoxes m_scopedMessageBoxes{qtMessageBoxes};
};

}  // namespace rf::test
