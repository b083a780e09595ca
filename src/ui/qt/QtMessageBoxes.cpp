#include "ui/qt/QtMessageBoxes.h"

#include <QAbstractButton>
#include <QMessageBox>

#include "text/StringTable.h"

namespace rf {

namespace {

QMessageBox::Icon IconOf(UINT nType) {
    switch (nType & MB_ICON_MASK) {
        case MB_ICONSTOP:
            return QMessageBox::Critical;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QString Text(UINT nId) {
    return QString::fromStdU16String(LoadResString(nId));
}

}  // namespace

int CQtMessageBoxes::Show(const std::u16string& text, const std::u16string& caption, UINT nType) {
    const bool bQuestion = (nType & MB_BUTTONS_MASK) == MB_YESNO;
    QMessageBox box(
        IconOf(nType), QString::fromStdU16String(caption), QString::fromStdU16String(text),
        bQuestion ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, m_pOwner.data());
    // Texts come from devices and files too; none of them is markup.
    box.setTextFormat(Qt::PlainText);
    if (bQuestion) {
        box.button(QMessageBox::Yes)->setText(Text(IDS_WND_YES));
        box.button(QMessageBox::No)->setText(Text(IDS_WND_NO));
        box.setDefaultButton(QMessageBox::Yes);
        // Escape or closing the box is an answer of No: nothing is written
        // unless the person said Yes.
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.button(QMessageBox::Ok)->setText(Text(IDS_WND_OK));
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    if (bQuestion) {
        return clicked == QMessageBox::Yes ? IDYES : IDNO;
    }
    return IDOK;
}

}  // namespace rf
