#pragma once

// The window of one of the updater's dialogs: real widgets laid out as the
// dialog's template describes them, each bound to the control of the same id.
// The dialog's logic stays toolkit-free; this class only shows its controls,
// hands clicks, ticks and dropped files to it, and asks it before closing.

#include <QDialog>
#include <map>
#include <memory>
#include <vector>

#include "ui/Dialog.h"
#include "ui/DialogTemplates.h"
#include "ui/MainDlg.h"

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QGridLayout;

namespace rf {

class CWidgetView;
class CProgressView;

class CDialogWindow final : public QDialog, private CDialog::IView {
public:
    // Builds the widgets of the dialog's template and opens the dialog: its
    // OnInitDialog runs (the first device search with it), then every control
    // is bound to its widget. The dialog must outlive the window.
    explicit CDialogWindow(CMainDlg& dialog, QWidget* pParent = nullptr);
    ~CDialogWindow() override;
    CDialogWindow(const CDialogWindow&) = delete;
    CDialogWindow& operator=(const CDialogWindow&) = delete;

    // The widget of a control id, or null.
    QWidget* Control(UINT nId) const;

protected:
    // Escape: the dialog's Cancel, which it ignores while an update runs.
    void reject() override;
    // The window's close button: the Close item, disabled while busy.
    void closeEvent(QCloseEvent* pEvent) override;
    // A firmware package dropped anywhere but on an image field.
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    struct Group {
        ControlGroup group;
        QGridLayout* pGrid;
    };

    void OnCloseItemChanged(bool bEnabled) override;
    void OnCaptionChanged(const std::u16string& caption) override;
    void Build(const DialogTemplate& dialogTemplate);
    QWidget* MakeWidget(const TemplateControl& control, QWidget* pParent);
    void BindControls(const DialogTemplate& dialogTemplate);
    void SizeFields(const DialogTemplate& dialogTemplate);
    void AlignLabelColumns();
    void CloseIfEnded();

    CMainDlg& m_dialog;
    std::map<UINT, QWidget*> m_widgets;
    std::vector<Group> m_groups;
    std::vector<std::unique_ptr<CWidgetView>> m_views;
    std::unique_ptr<CProgressView> m_pProgressView;
    std::vector<CWnd*> m_bound;
};

}  // namespace rf
