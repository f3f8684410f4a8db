#pragma once

#include "dialog_layer/field_validator.h"

#include <QClipboard>
#include <QLineEdit>

// An edit field whose text is always in its FieldValidator's form. The
// field's own gestures (typing, pasting, dropping, an input method's text)
// hand over text already in that form, because QLineEdit forgets its undo
// history when a validator changes a text. Ctrl+Y redoes on every platform,
// besides the platform's own redo key.
class FieldEdit : public QLineEdit
{
    Q_OBJECT
public:
    FieldEdit(const QString &text, bool upperCase, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QString Entered(const QString &inserted) const { return m_validator->Entered(inserted); }
    void PasteFrom(QClipboard::Mode mode);

    FieldValidator *m_validator;
};
