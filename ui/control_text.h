#pragma once

#include <QString>

class QWidget;

// The caption or text of a control: an edit's text, a label's (whole, also
// where it is shown cut) or a button's.
QString ControlText(const QWidget *control);
void SetControlText(QWidget *control, const QString &text);
