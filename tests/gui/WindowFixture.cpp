#include "WindowFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "ui/ControlIds.h"
#include "ui/MainUserDlg.h"

namespace rf::test {

CMessageBoxAnswerer::CMessageBoxAnswerer() {
    m_timer.setInterval(1);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            auto* pBox = qobject_cast<QMessageBox*>(pWidget);
            if (pBox != nullptr && pBox->isVisible()) {
                Answer(*pBox);
                return;
            }
        }
    });
    m_timer.start();
}

void CMessageBoxAnswerer::Answer(QMessageBox& box) {
    const QAbstractButton* pYes = box.button(QMessageBox::Yes);
    const QAbstractButton* pNo = box.button(QMessageBox::No);
    shown.push_back(Shown{box.text(), box.windowTitle(), box.icon(), box.standardButtons(),
                          pYes != nullptr ? pYes->text() : QString(),
                          pNo != nullptr ? pNo->text() : QString()});
    if (onShown) {
        onShown(box);
    }
    QMessageBox::StandardButton answer =
        box.standardButtons().testFlag(QMessageBox::Yes) ? QMessageBox::No : QMessageBox::Ok;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    if (QAbstractButton* pButton = box.button(answer)) {
        pButton->click();
    } else {
        // An answer the box does not offer: the box is closed as Escape
        // would close it, and the record shows what it offered.
        box.reject();
    }
}

CWindowFixture::CWindowFixture() = default;

CWindowFixture::~CWindowFixture() {
    pWindow.reset();
}

CDialogWindow& CWindowFixture::OpenWindow(bool bVendor) {
    // A window opened before goes first: it holds views into its dialog.
    pWindow.reset();
    nRefreshes = 0;
    theCmdInfo.m_bEnableVendorMode = bVendor;
    dialog =
        bVendor ? std::make_unique<CMainDlg>(tracing) : std::make_unique<CMainUserDlg>(tracing);
    dialog->SetListener(this);
    pWindow = std::make_unique<CDialogWindow>(*dialog);
    qtMessageBoxes.SetOwner(pWindow.get());
    pWindow->show();
    RunUntil([this] { return nRefreshes > 0 || enclosure == nullptr; }, 5'000);
    return *pWindow;
}

bool CWindowFixture::RunUntil(const std::function<bool()>& bDone, std::uint64_t nMilliseconds) {
    const std::uint64_t nDeadline = GetTickCount64() + nMilliseconds;
    for (;;) {
        // Handlers post as they run; let what they posted arrive before the
        // clock moves on.
        for (int i = 0; i < 3 && !bDone(); ++i) {
            pump.Pump();
        }
        if (bDone()) {
            return true;
        }
        const std::uint64_t nNow = GetTickCount64();
        const std::uint64_t nNext = std::min(pump.NextTimerDue(), nDeadline);
        if (nNow >= nDeadline) {
            return false;
        }
        if (nNext > nNow) {
            CurrentClock().SleepMicroseconds((nNext - nNow) * 1000);
        }
    }
}

void CWindowFixture::RunWindowFor(std::uint64_t nMilliseconds) {
    RunUntil([] { return false; }, nMilliseconds);
}

UINT CWindowFixture::ClickUpdate() {
    const std::size_t nBefore = results.size();
    QTest::mouseClick(pWindow->Control(IDC_UPDATE), Qt::LeftButton);
    RunUntil([&] { return results.size() > nBefore; }, 3'600'000);
    return results.size() > nBefore ? results[nBefore] : 0xFFFFFFFF;
}

QString CWindowFixture::Shown(UINT nId) const {
    QWidget* pWidget = pWindow->Control(nId);
    if (auto* pLine = qobject_cast<QLineEdit*>(pWidget)) {
        return pLine->text();
    }
    if (auto* pLines = qobject_cast<QPlainTextEdit*>(pWidget)) {
        return pLines->toPlainText();
    }
    if (auto* pLabel = qobject_cast<QLabel*>(pWidget)) {
        return pLabel->text();
    }
    if (auto* pButton = qobject_cast<QAbstractButton*>(pWidget)) {
        return pButton->text();
    }
    return QStringLiteral("<no control>");
}

}  // namespace rf::test
