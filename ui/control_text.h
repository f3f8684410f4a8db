#pragma once

#include <QString>

class QWidget;

// The caption or text of a control: an edit's text, a label's or a button's.
QString ControlText(const QWidget *control);
void SetControlText(QWidget *control, const QString &text);

// What a control is, for screen readers (its accessible name) and for the
// mouse (its tooltip).
void SetControlDescription(QWidget *control, const QString &text);
