#include "dialog_layer/field_edit.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>

FieldEdit::FieldEdit(const QString &text, bool upperCase, QWidget *parent)
    : QLineEdit(text, parent), m_validator(new FieldValidator(upperCase, this))
{
    setValidator(m_validator);
}

void FieldEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        PasteFrom(QClipboard::Clipboard);
        event->accept();
        return;
    }
    // QLineEdit redoes on the platform's redo key, on X11 only Ctrl+Shift+Z.
    if (event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) && !isReadOnly()) {
        redo();
        event->accept();
        return;
    }
    // Keys such as Return or Backspace carry a control character and act by
    // their key code; only text that would be inserted is changed.
    const QString entered = Entered(event->text());
    if (entered.isEmpty() || entered == event->text()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent changed(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                      event->nativeVirtualKey(), event->nativeModifiers(), entered, event->isAutoRepeat(),
                      event->count());
    QLineEdit::keyPressEvent(&changed);
    event->setAccepted(changed.isAccepted());
}

// A middle click pastes the X11 selection.
void FieldEdit::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        PasteFrom(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void FieldEdit::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasText()) {
        QLineEdit::dropEvent(event);
        return;
    }
    QMimeData entered;
    entered.setText(Entered(event->mimeData()->text()));
    QDropEvent changed(event->position(), event->possibleActions(), &entered, event->buttons(),
                       event->modifiers(), event->type());
    QLineEdit::dropEvent(&changed);
    event->setDropAction(changed.dropAction());
    event->setAccepted(changed.isAccepted());
}

void FieldEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const QString entered = Entered(event->commitString());
    if (entered == event->commitString()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent changed(event->preeditString(), event->attributes());
    changed.setCommitString(entered, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&changed);
}

// The standard menu's Paste, named as QLineEdit names it, pastes as the
// keyboard does.
void FieldEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (QAction *action : menu->actions()) {
        if (action->text().section(u'\t', 0, 0) != QLineEdit::tr("&Paste"))
            continue;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this] { PasteFrom(QClipboard::Clipboard); });
    }
    menu->popup(event->globalPos());
}

// Pastes as the field's own paste would, with the text in its entered form.
void FieldEdit::PasteFrom(QClipboard::Mode mode)
{
    if (isReadOnly())
        return;
    const QString text = Entered(QGuiApplication::clipboard()->text(mode));
    if (!text.isEmpty() || hasSelectedText())
        insert(text);
}
