#include "tester/hex_text.h"

#include <QList>

std::uint8_t HexDigitValue(char32_t c)
{
    if (c >= U'0' && c <= U'9')
        return static_cast<std::uint8_t>(c - U'0');
    if (c >= U'A' && c <= U'F')
        return static_cast<std::uint8_t>(c - U'A' + 10);
    return 0;
}

QString FormatHex(std::uint8_t value)
{
    return QString::number(value, 16);
}

namespace {

// One character for each code point: QString::fromUcs4 would take a
// leading U+FEFF for a byte order mark and drop it.
QString FromCodePoints(const QList<uint> &characters)
{
    QString text;
    for (uint c : characters)
        text += QChar::fromUcs4(c);
    return text;
}

} // namespace

QString UpperCased(const QString &text)
{
    QList<uint> characters = text.toUcs4();
    for (uint &c : characters)
        c = QChar::toUpper(c);
    return FromCodePoints(characters);
}

std::uint8_t ParseHexText(QString &text, bool &shortened)
{
    text = UpperCased(text);
    QList<uint> characters = text.toUcs4();
    shortened = characters.size() >= 3;
    if (shortened) {
        characters = characters.last(2);
        text = FromCodePoints(characters);
    }
    std::uint8_t value = 0;
    for (uint c : characters)
        value = static_cast<std::uint8_t>(value * 16 + HexDigitValue(c));
    return value;
}
