#pragma once

#include "ui/field_validator.h"
#include "ui/kept_drawings.h"

#include <QClipboard>
#include <QLineEdit>

// An edit field that holds one line of printable text: a pasted or dropped
// text keeps only its first line, control characters never enter, and in an
// upper-case field letters become capitals. The field's validator applies
// this to text however it enters. The field's own gestures (typing, pasting,
// dropping, an input method's text) hand over text already in that form,
// because QLineEdit forgets its undo history when a validator changes a text.
// Ctrl+Y redoes on every platform, besides the platform's own redo key.
// A field that shows at most two characters, without focus or selection, is
// painted from kept drawings when it is given them.
class FieldEdit : public KeepsDrawings<QLineEdit>
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
    void paintEvent(QPaintEvent *event) override;

private:
    static constexpr qsizetype kKeptTextLength = 2;

    QString Entered(const QString &inserted) const { return m_validator->Entered(inserted); }
    void PasteFrom(QClipboard::Mode mode);

    FieldValidator *m_validator;
};
