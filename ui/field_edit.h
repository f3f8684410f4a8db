#pragma once

#include "ui/kept_drawings.h"

#include <QClipboard>
#include <QLineEdit>

// An edit field that holds one line of printable text. A pasted or dropped
// text keeps only its first line, and control characters never enter. In an
// upper-case field letters become capitals before they enter, so typing and
// pasting go through the field's undo history like any other edit.
// A field that shows at most two characters, without focus or selection, is
// painted from kept drawings when it is given them.
class FieldEdit : public KeepsDrawings<QLineEdit>
{
    Q_OBJECT
public:
    FieldEdit(const QString &text, bool upperCase, QWidget *parent);

    // The form in which an inserted text enters this field.
    QString Entered(const QString &inserted) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    static constexpr qsizetype kKeptTextLength = 2;

    void PasteFrom(QClipboard::Mode mode);

    bool m_bUpperCase;
};
