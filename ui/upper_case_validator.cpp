#include "ui/upper_case_validator.h"

#include "tester/hex_text.h"

QValidator::State UpperCaseValidator::validate(QString &input, int &) const
{
    input = UpperCased(input);
    return Acceptable;
}
