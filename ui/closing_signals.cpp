#include "ui/closing_signals.h"

#include <QApplication>
#include <QDialog>

// A message box open over the dialog is closed first, so that the dialog's
// own closing ends the run at once.
void ClosingSignals::CloseDialogs()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *other = qobject_cast<QDialog *>(window);
        if (other && other != &m_dialog && other->isVisible())
            other->reject();
    }
    m_dialog.reject();
}
