#pragma once

#include <QClipboard>
#include <QLineEdit>

// An edit field that holds one line of printable text. A pasted or dropped
// text keeps only its first line, and control characters never enter. In an
// upper-case field letters become capitals before they enter, so typing and
// pasting go through the field's undo history like any other edit.
class FieldEdit : public QLineEdit
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

private:
    void PasteFrom(QClipboard::Mode mode);

    bool m_bUpperCase;
};
