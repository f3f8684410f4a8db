#include "dialog_layer/field_validator.h"

#include <algorithm>

namespace {

// The characters after which Unicode always breaks a line.
bool BreaksLine(QChar c)
{
    return QStringView(u"\n\v\f\r\u0085\u2028\u2029").contains(c);
}

// Control characters (C0, DEL and C1) and the line and paragraph separators.
bool NeverEnters(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// Each character upper-cased on its own, as an upper-case edit control does,
// so the number of characters never changes.
QString UpperCased(const QString &text)
{
    QString upper;
    upper.reserve(text.size());
    for (const uint c : text.toUcs4())
        upper += QChar::fromUcs4(QChar::toUpper(c));
    return upper;
}

} // namespace

FieldValidator::FieldValidator(bool upperCase, QObject *parent) : QValidator(parent), m_bUpperCase(upperCase)
{
}

QString FieldValidator::Entered(const QString &inserted) const
{
    QString line = inserted.first(std::find_if(inserted.cbegin(), inserted.cend(), BreaksLine) - inserted.cbegin());
    line.removeIf(NeverEnters);
    return m_bUpperCase ? UpperCased(line) : line;
}

QValidator::State FieldValidator::validate(QString &input, int &position) const
{
    const qsizetype cursor = qBound(0, position, static_cast<int>(input.size()));
    // The field held one line before the insertion that ends at the cursor,
    // so a line break before the cursor ends the first line of what was
    // inserted, and the rest of what was inserted goes.
    const QString before = Entered(input.left(cursor));
    QString after = input.mid(cursor);
    after.removeIf(NeverEnters);
    input = before + (m_bUpperCase ? UpperCased(after) : after);
    position = static_cast<int>(before.size());
    return Acceptable;
}
