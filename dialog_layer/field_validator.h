#pragma once

#include <QValidator>

// The form in which text enters an edit field: one line without control
// characters, in an upper-case field with its letters as capitals. Whatever
// way text enters the field (typing, a paste, a drop, an input method, the
// program), the field's validator brings it into this form.
class FieldValidator : public QValidator
{
    Q_OBJECT
public:
    FieldValidator(bool upperCase, QObject *parent);

    // The form of a text inserted into the field: its first line, without
    // control characters.
    QString Entered(const QString &inserted) const;

    // The field's whole text, the cursor just after what was inserted. Accepts
    // every text, in its entered form.
    State validate(QString &input, int &position) const override;

private:
    bool m_bUpperCase;
};
