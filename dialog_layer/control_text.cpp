#include "dialog_layer/control_text.h"

#include "dialog_layer/eliding_label.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QValidator>

QString ControlText(const QWidget *control)
{
    // Buttons first: they are most of a window's controls and the most often asked.
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (const auto *edit = qobject_cast<const QLineEdit *>(control))
        return edit->text();
    if (const auto *label = qobject_cast<const ElidingLabel *>(control))
        return label->FullText();
    return {};
}

void SetControlText(QWidget *control, const QString &text)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setText(text);
    else if (auto *edit = qobject_cast<QLineEdit *>(control))
        edit->setText(text);
    else if (auto *label = qobject_cast<ElidingLabel *>(control))
        label->SetFullText(text);
}

QString DisplayedForm(const QWidget *control, const QString &text)
{
    const auto *edit = qobject_cast<const QLineEdit *>(control);
    if (!edit || !edit->validator())
        return text;
    QString shown = text;
    int position = static_cast<int>(shown.size());
    edit->validator()->validate(shown, position);
    return shown;
}

void SetControlDescription(QWidget *control, const QString &text)
{
    if (control->toolTip() == text && control->accessibleName() == text)
        return;
    control->setAccessibleName(text);
    control->setToolTip(text);
}
