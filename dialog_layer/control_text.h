#pragma once

#include <QString>

class QWidget;

// The caption or text of a control made from a template: a button's, an
// edit's or a label's (whole, also where it is shown cut).
QString ControlText(const QWidget *control);
void SetControlText(QWidget *control, const QString &text);
// The text the control would show for `text`: an edit with a validator shows
// what the validator makes of it (an upper-case field shows "7f" as "7F").
QString DisplayedForm(const QWidget *control, const QString &text);

// What a control is, for screen readers (its accessible name) and for the
// mouse (its tooltip).
void SetControlDescription(QWidget *control, const QString &text);
