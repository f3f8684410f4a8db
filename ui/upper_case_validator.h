#pragma once

#include <QValidator>

// Makes an edit field show and give back its letters as capitals, whether
// they were typed or written by the program. Accepts every text.
class UpperCaseValidator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &position) const override;
};
