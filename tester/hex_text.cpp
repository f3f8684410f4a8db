#include "tester/hex_text.h"

namespace {

// The start of the rightmost two characters, counting a surrogate pair as one
// character so that a cut never splits it.
qsizetype StartOfLastTwo(const QString &text)
{
    qsizetype start = text.size();
    for (int kept = 0; kept < 2 && start > 0; ++kept) {
        --start;
        if (start > 0 && text[start].isLowSurrogate() && text[start - 1].isHighSurrogate())
            --start;
    }
    return start;
}

} // namespace

std::uint8_t HexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return static_cast<std::uint8_t>(u - u'0');
    if (u >= u'A' && u <= u'F')
        return static_cast<std::uint8_t>(u - u'A' + 10);
    return 0;
}

QString FormatHex(std::uint8_t value)
{
    return QString::number(value, 16);
}

QString UpperCased(const QString &text)
{
    QString upper = text;
    for (QChar &c : upper) {
        if (!c.isSurrogate())
            c = c.toUpper();
    }
    return upper;
}

std::uint8_t ParseHexText(QString &text, bool &shortened)
{
    text = UpperCased(text);
    shortened = false;
    if (text.size() >= 3) {
        const qsizetype start = StartOfLastTwo(text);
        shortened = start > 0;
        text = text.mid(start);
    }
    switch (text.size()) {
    case 0:
        return 0;
    case 1:
        return HexDigitValue(text[0]);
    default:
        return static_cast<std::uint8_t>(HexDigitValue(text[0]) * 16 + HexDigitValue(text[1]));
    }
}
