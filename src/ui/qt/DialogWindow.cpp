#include "ui/qt/DialogWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>

#include "framework/controls/AcceptFileEdit.h"
#include "text/StringTable.h"
#include "ui/ControlIds.h"
#include "ui/FirmwarePackageLoad.h"
#include "ui/qt/ControlViews.h"

namespace rf {

namespace {

constexpr int kListLines = 4;  // the firmware version lists hold four entries

QString Text(UINT nId) {
    return QString::fromStdU16String(LoadResString(nId));
}

// Read-only fields look like a dialog's read-only edits: the window's colour
// behind the text, not the colour of a field to type in.
void LookReadOnly(QWidget* pWidget) {
    QPalette palette = pWidget->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    pWidget->setPalette(palette);
}

int WidestText(const QFontMetrics& metrics, std::initializer_list<QString> texts) {
    int nWidest = 0;
    for (const QString& text : texts) {
        nWidest = std::max(nWidest, metrics.horizontalAdvance(text));
    }
    return nWidest;
}

// The longest text a version field may have to show in full: a technical
// version of the bridge firmware, or an error text of the current language.
int VersionTextWidth(const QFontMetrics& metrics, const QString& prefix) {
    return WidestText(metrics,
                      {prefix + QStringLiteral("0.27 KESTREL_DVXDUO 2013/11/12 15:11:15"),
                       prefix + Text(IDS_ERR_VERSION_INFO), prefix + Text(IDS_ERR_INVALID_ROM),
                       prefix + Text(IDS_ERR_READ_FILE), prefix + Text(IDS_UNREADABLE)});
}

// A check box label may gain the recommendation mark at run time; its
// column is made wide enough for that from the start.
QString WithRecommendedMark(const QString& label) {
    const QString mark = QStringLiteral("(") + Text(IDS_RECOMMENDED_MARK) + QStringLiteral("):");
    if (label.endsWith(mark)) {
        return label;
    }
    return (label.endsWith(u':') ? label.chopped(1) : label) + mark;
}

}  // namespace

CDialogWindow::CDialogWindow(CMainDlg& dialog, QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_dialog(dialog) {
    const DialogTemplate* pTemplate = FindDialogTemplate(dialog.TemplateId());
    if (pTemplate == nullptr) {
        return;
    }
    Build(*pTemplate);
    BindControls(*pTemplate);
    setAcceptDrops(true);
    SizeFields(*pTemplate);
    AlignLabelColumns();
}

CDialogWindow::~CDialogWindow() {
    // The controls outlive their widgets.
    for (CWnd* pControl : m_bound) {
        if (auto* pButton = dynamic_cast<CButton*>(pControl)) {
            pButton->SetView(nullptr);
        } else {
            pControl->SetView(nullptr);
        }
    }
    if (m_pProgressView != nullptr) {
        m_dialog.m_progress.SetView(nullptr);
    }
    m_dialog.SetView(nullptr);
}

QWidget* CDialogWindow::Control(UINT nId) const {
    const auto it = m_widgets.find(nId);
    return it == m_widgets.end() ? nullptr : it->second;
}

void CDialogWindow::Build(const DialogTemplate& dialogTemplate) {
    auto* pLayout = new QVBoxLayout(this);
    // A dialog keeps the size its contents need.
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
    for (ControlGroup group : {ControlGroup::UpdateInformation, ControlGroup::DeviceInformation}) {
        const bool bUsed =
            std::any_of(dialogTemplate.controls.begin(), dialogTemplate.controls.end(),
                        [group](const TemplateControl& control) { return control.group == group; });
        if (bUsed) {
            auto* pBox = new QGroupBox(Text(GroupTitleId(group)), this);
            pLayout->addWidget(pBox);
            m_groups.push_back(Group{group, new QGridLayout(pBox)});
        }
    }
    auto* pBottom = new QGridLayout;
    pLayout->addLayout(pBottom);
    m_groups.push_back(Group{ControlGroup::None, pBottom});

    for (const TemplateControl& control : dialogTemplate.controls) {
        const auto it =
            std::find_if(m_groups.begin(), m_groups.end(),
                         [&control](const Group& group) { return group.group == control.group; });
        QGridLayout* pGrid = it->pGrid;
        QWidget* pParent = pGrid->parentWidget() != nullptr ? pGrid->parentWidget() : this;
        QWidget* pWidget = MakeWidget(control, pParent);
        Qt::Alignment alignment;
        if (control.kind == ControlKind::Label) {
            const bool bBesideList =
                std::any_of(dialogTemplate.controls.begin(), dialogTemplate.controls.end(),
                            [&control](const TemplateControl& other) {
                                return other.group == control.group && other.nRow == control.nRow &&
                                       other.kind == ControlKind::MultiLineEdit;
                            });
            alignment = Qt::AlignLeft | (bBesideList ? Qt::AlignTop : Qt::AlignVCenter);
        }
        pGrid->addWidget(pWidget, control.nRow, control.nColumn, 1, control.nColumnSpan, alignment);
        if (control.nId != 0) {
            pWidget->setObjectName(QStringLiteral("control%1").arg(control.nId));
            m_widgets[control.nId] = pWidget;
        }
    }
    for (const Group& group : m_groups) {
        if (group.group == ControlGroup::None) {
            group.pGrid->setColumnStretch(0, 1);
        } else {
            group.pGrid->setColumnStretch(1, 1);
            group.pGrid->setColumnStretch(2, 1);
        }
    }
}

QWidget* CDialogWindow::MakeWidget(const TemplateControl& control, QWidget* pParent) {
    const QString text = control.nTextId != 0 ? Text(control.nTextId) : QString();
    switch (control.kind) {
        case ControlKind::Label:
            return new QLabel(text, pParent);
        case ControlKind::ReadOnlyEdit:
        case ControlKind::CenteredEdit: {
            auto* pField = new CFieldEdit(pParent);
            // Fields only show; the keyboard goes from check box to button.
            pField->setFocusPolicy(Qt::ClickFocus);
            if (control.kind == ControlKind::CenteredEdit) {
                pField->setAlignment(Qt::AlignCenter);
            }
            LookReadOnly(pField);
            return pField;
        }
        case ControlKind::MultiLineEdit: {
            auto* pList = new QPlainTextEdit(pParent);
            pList->setReadOnly(true);
            pList->setLineWrapMode(QPlainTextEdit::NoWrap);
            pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            pList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            pList->setFocusPolicy(Qt::ClickFocus);
            const int nMargin = static_cast<int>(pList->document()->documentMargin());
            pList->setFixedHeight(pList->fontMetrics().lineSpacing() * kListLines +
                                  2 * pList->frameWidth() + 2 * nMargin + 2);
            LookReadOnly(pList);
            return pList;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(text, pParent);
        case ControlKind::DefaultButton: {
            auto* pButton = new QPushButton(text, pParent);
            pButton->setDefault(true);
            pButton->setEnabled(false);
            return pButton;
        }
        case ControlKind::StatusText: {
            auto* pStatus = new QLabel(pParent);
            pStatus->setTextFormat(Qt::PlainText);
            pStatus->setMinimumHeight(pStatus->fontMetrics().height());
            return pStatus;
        }
        case ControlKind::ProgressBar: {
            auto* pBar = new QProgressBar(pParent);
            pBar->setRange(0, 100);
            pBar->setValue(0);
            pBar->setTextVisible(false);
            return pBar;
        }
    }
    return new QWidget(pParent);
}

void CDialogWindow::BindControls(const DialogTemplate& dialogTemplate) {
    m_dialog.SetView(this);
    m_dialog.Create();
    setWindowTitle(QString::fromStdU16String(m_dialog.GetWindowText()));

    for (const TemplateControl& control : dialogTemplate.controls) {
        QWidget* pWidget = Control(control.nId);
        if (pWidget == nullptr) {
            continue;
        }
        if (control.kind == ControlKind::ProgressBar) {
            auto* pBar = static_cast<QProgressBar*>(pWidget);
            m_pProgressView = std::make_unique<CProgressView>(pBar);
            CProgressCtrl& progress = m_dialog.m_progress;
            progress.SetView(m_pProgressView.get());
            m_pProgressView->OnRangeChanged(progress.GetLower(), progress.GetUpper());
            m_pProgressView->OnPosChanged(progress.GetPos());
            continue;
        }
        CWnd* pControl = m_dialog.GetDlgItem(control.nId);
        if (pControl == nullptr) {
            continue;  // a control of the template that this dialog leaves alone
        }
        // The template's text is the window's text until the dialog sets one.
        if (pControl->GetWindowText().empty() && control.nTextId != 0) {
            pControl->SetWindowText(LoadResString(control.nTextId));
        }
        auto pView = std::make_unique<CWidgetView>(pWidget);
        if (auto* pButton = dynamic_cast<CButton*>(pControl)) {
            pButton->SetView(pView.get());
            pView->OnCheckChanged(pButton->GetCheck());
            auto* pQtButton = static_cast<QAbstractButton*>(pWidget);
            const bool bCheckBox = control.kind == ControlKind::CheckBox;
            const UINT nId = control.nId;
            QObject::connect(
                pQtButton, &QAbstractButton::clicked, this,
                [this, pButton, bCheckBox, nId](bool bChecked) {
                    if (bCheckBox) {
                        pButton->SetCheckFromView(bChecked ? BST_CHECKED : BST_UNCHECKED);
                    }
                    m_dialog.WindowProc(WM_COMMAND, nId, 0);
                    CloseIfEnded();
                });
        } else {
            pControl->SetView(pView.get());
        }
        pView->OnTextChanged(pControl->GetWindowText());
        pView->OnEnabledChanged(pControl->IsWindowEnabled());
        if (auto* pDropTarget = dynamic_cast<CAcceptFileEdit*>(pControl)) {
            if (auto* pField = dynamic_cast<CFieldEdit*>(pWidget)) {
                // While an update runs the images are being written: a drop
                // then would change an image under the write.
                pField->SetDropHandler([this] { return !m_dialog.IsBusy(); },
                                       [pDropTarget](std::span<const std::u16string> paths) {
                                           pDropTarget->OnDropFiles(paths);
                                       });
            }
        }
        m_bound.push_back(pControl);
        m_views.push_back(std::move(pView));
    }
}

void CDialogWindow::SizeFields(const DialogTemplate& dialogTemplate) {
    for (const TemplateControl& control : dialogTemplate.controls) {
        QWidget* pWidget = Control(control.nId);
        if (pWidget == nullptr) {
            continue;
        }
        const QFontMetrics metrics = pWidget->fontMetrics();
        // Room for the frame and the text margins of a field.
        const int nChrome = 2 * 4 + 2 * 2 + 4;
        switch (control.kind) {
            case ControlKind::ReadOnlyEdit:
                if (control.nColumn > 0) {
                    pWidget->setMinimumWidth(VersionTextWidth(metrics, QString()) + nChrome);
                }
                break;
            case ControlKind::MultiLineEdit:
                pWidget->setMinimumWidth(VersionTextWidth(metrics, QStringLiteral("(3) ")) +
                                         nChrome);
                break;
            case ControlKind::StatusText:
                pWidget->setMinimumWidth(WidestText(
                    metrics, {Text(IDS_UPDATING_FLASH_ROM), Text(IDS_UPDATING_SEEPROM_HOST),
                              Text(IDS_CHECKING_SEEPROM_HOST), Text(IDS_UPDATING_SPIROM_UI),
                              Text(IDS_CHECKING_SPIROM_UI), Text(IDS_UPDATING_FLASH_ROM_UI),
                              Text(IDS_CHECKING_FLASH_ROM_UI)}));
                break;
            case ControlKind::CenteredEdit:
                pWidget->setMinimumWidth(WidestText(metrics, {QStringLiteral("KD44D2-1311-004870"),
                                                              QStringLiteral("DVX44-UI-004870")}) +
                                         nChrome);
                break;
            case ControlKind::Label:
            case ControlKind::CheckBox:
            case ControlKind::DefaultButton:
            case ControlKind::ProgressBar:
                break;
        }
    }
    // The label beside a list stands level with the list's first line.
    for (const TemplateControl& control : dialogTemplate.controls) {
        if (control.kind != ControlKind::MultiLineEdit) {
            continue;
        }
        auto* pList = static_cast<QPlainTextEdit*>(Control(control.nId));
        const Group& group =
            *std::find_if(m_groups.begin(), m_groups.end(),
                          [&control](const Group& g) { return g.group == control.group; });
        if (QLayoutItem* pItem = group.pGrid->itemAtPosition(control.nRow, 0)) {
            if (auto* pLabel = qobject_cast<QLabel*>(pItem->widget())) {
                pLabel->setContentsMargins(
                    0, pList->frameWidth() + static_cast<int>(pList->document()->documentMargin()),
                    0, 0);
            }
        }
    }
}

void CDialogWindow::AlignLabelColumns() {
    // The labels of both groups start their fields at the same place.
    int nWidest = 0;
    for (const Group& group : m_groups) {
        if (group.group == ControlGroup::None) {
            continue;
        }
        for (int nIndex = 0; nIndex < group.pGrid->count(); ++nIndex) {
            int nRow = 0;
            int nColumn = 0;
            int nRowSpan = 0;
            int nColumnSpan = 0;
            group.pGrid->getItemPosition(nIndex, &nRow, &nColumn, &nRowSpan, &nColumnSpan);
            QWidget* pWidget = group.pGrid->itemAt(nIndex)->widget();
            // A field across the whole group has no label column.
            if (pWidget == nullptr || nColumn != 0 || nColumnSpan != 1) {
                continue;
            }
            int nWidth = pWidget->sizeHint().width();
            if (auto* pCheck = qobject_cast<QCheckBox*>(pWidget)) {
                QCheckBox probe(WithRecommendedMark(pCheck->text()));
                probe.setFont(pCheck->font());
                nWidth = std::max(nWidth, probe.sizeHint().width());
            }
            nWidest = std::max(nWidest, nWidth);
        }
    }
    for (const Group& group : m_groups) {
        if (group.group != ControlGroup::None) {
            group.pGrid->setColumnMinimumWidth(0, nWidest);
        }
    }
}

void CDialogWindow::OnCloseItemChanged(bool /*bEnabled*/) {
    // The window manager's close button stays; closeEvent asks the dialog,
    // which refuses while its Close item is disabled.
}

void CDialogWindow::reject() {
    m_dialog.WindowProc(WM_COMMAND, IDCANCEL, 0);
    CloseIfEnded();
}

void CDialogWindow::closeEvent(QCloseEvent* pEvent) {
    if (!m_dialog.IsEnded()) {
        m_dialog.RequestClose();
    }
    if (m_dialog.IsEnded()) {
        pEvent->accept();
        CloseIfEnded();
    } else {
        pEvent->ignore();
    }
}

void CDialogWindow::CloseIfEnded() {
    if (m_dialog.IsEnded() && isVisible()) {
        done(m_dialog.Result());
    }
}

}  // namespace rf

namespace rf {

namespace {

// The one local file or directory of a drop, or an empty text.
std::u16string DroppedPath(const QMimeData* pData) {
    if (pData == nullptr || !pData->hasUrls() || pData->urls().size() != 1 ||
        !pData->urls().front().isLocalFile()) {
        return {};
    }
    return pData->urls().front().toLocalFile().toStdU16String();
}

}  // namespace

void CDialogWindow::OnCaptionChanged(const std::u16string& caption) {
    setWindowTitle(QString::fromStdU16String(caption));
}

void CDialogWindow::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (!m_dialog.IsBusy() && !DroppedPath(pEvent->mimeData()).empty()) {
        pEvent->acceptProposedAction();
    }
}

void CDialogWindow::dropEvent(QDropEvent* pEvent) {
    const std::u16string path = DroppedPath(pEvent->mimeData());
    if (path.empty()) {
        return;
    }
    pEvent->acceptProposedAction();
    OnFirmwarePackageDropped(m_dialog, path);
}

}  // namespace rf
