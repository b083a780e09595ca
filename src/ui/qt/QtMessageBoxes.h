#pragma once

// Message boxes of the window: a modal QMessageBox over the dialog, with the
// icon and the buttons the type flags ask for and the buttons' texts in the
// program's language.

#include <QPointer>
#include <QWidget>
#include <string>

#include "framework/Messages.h"

namespace rf {

class CQtMessageBoxes final : public IMessageBoxService {
public:
    int Show(const std::u16string& text, const std::u16string& caption, UINT nType) override;

    // The window the boxes belong to; null while there is none (the message
    // at start-up).
    void SetOwner(QWidget* pOwner) { m_pOwner = pOwner; }

private:
    QPointer<QWidget> m_pOwner;
};

}  // namespace rf
