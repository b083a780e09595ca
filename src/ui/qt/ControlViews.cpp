#include "ui/qt/ControlViews.h"

#include <QAbstractButton>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>
#include <algorithm>
#include <vector>

namespace rf {

namespace {

std::vector<std::u16string> LocalFiles(const QMimeData* pData) {
    std::vector<std::u16string> paths;
    if (pData == nullptr || !pData->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : pData->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile().toStdU16String());
        }
    }
    return paths;
}

}  // namespace

void CWidgetView::OnTextChanged(const std::u16string& text) {
    QWidget* pWidget = m_pWidget.data();
    QString value = QString::fromStdU16String(text);
    if (auto* pLine = qobject_cast<QLineEdit*>(pWidget)) {
        pLine->setText(value);
        // A text wider than its field shows its beginning, as an edit does.
        pLine->setCursorPosition(0);
    } else if (auto* pLines = qobject_cast<QPlainTextEdit*>(pWidget)) {
        pLines->setPlainText(value.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    } else if (auto* pLabel = qobject_cast<QLabel*>(pWidget)) {
        pLabel->setText(value);
    } else if (auto* pButton = qobject_cast<QAbstractButton*>(pWidget)) {
        pButton->setText(value);
    } else if (auto* pGroup = qobject_cast<QGroupBox*>(pWidget)) {
        pGroup->setTitle(value);
    }
}

void CWidgetView::OnEnabledChanged(bool bEnabled) {
    if (m_pWidget != nullptr) {
        m_pWidget->setEnabled(bEnabled);
    }
}

void CWidgetView::OnCheckChanged(int nCheck) {
    if (auto* pButton = qobject_cast<QAbstractButton*>(m_pWidget.data())) {
        pButton->setChecked(nCheck == BST_CHECKED);
    }
}

void CProgressView::OnRangeChanged(int nLower, int nUpper) {
    if (m_pBar == nullptr) {
        return;
    }
    m_pBar->setRange(nLower, nUpper > nLower ? nUpper : nLower + 1);
    OnPosChanged(m_nPos);
}

void CProgressView::OnPosChanged(int nPos) {
    m_nPos = nPos;
    if (m_pBar != nullptr) {
        // Qt ignores a value outside the range instead of showing the end.
        m_pBar->setValue(std::clamp(nPos, m_pBar->minimum(), m_pBar->maximum()));
    }
}

void CProgressView::OnRepaint() {
    if (m_pBar != nullptr) {
        m_pBar->repaint();
    }
}

CFieldEdit::CFieldEdit(QWidget* pParent) : QLineEdit(pParent) {
    setReadOnly(true);
    setAcceptDrops(false);
}

void CFieldEdit::SetDropHandler(std::function<bool()> bAccepting, DropHandler onDrop) {
    m_bAccepting = std::move(bAccepting);
    m_onDrop = std::move(onDrop);
    setAcceptDrops(static_cast<bool>(m_onDrop));
}

bool CFieldEdit::Accepts(const QMimeData* pData) const {
    return m_onDrop && (!m_bAccepting || m_bAccepting()) && !LocalFiles(pData).empty();
}

void CFieldEdit::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (Accepts(pEvent->mimeData())) {
        pEvent->acceptProposedAction();
    } else {
        pEvent->ignore();
    }
}

void CFieldEdit::dragMoveEvent(QDragMoveEvent* pEvent) {
    if (Accepts(pEvent->mimeData())) {
        pEvent->acceptProposedAction();
    } else {
        pEvent->ignore();
    }
}

void CFieldEdit::dropEvent(QDropEvent* pEvent) {
    if (!Accepts(pEvent->mimeData())) {
        pEvent->ignore();
        return;
    }
    pEvent->acceptProposedAction();
    m_onDrop(LocalFiles(pEvent->mimeData()));
}

}  // namespace rf
