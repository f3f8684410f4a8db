#pragma once

#include <QString>
#include <cstdint>

// Text rules of the hexadecimal port fields. They count characters (code
// points), so a character outside the Basic Multilingual Plane is one
// character, never two halves.

// '0'..'9' give 0..9, 'A'..'F' give 10..15; any other character gives 0.
std::uint8_t HexDigitValue(char32_t c);

// The byte in lower-case radix 16 with no leading zeros: 0 -> "0", 0xA0 -> "a0".
QString FormatHex(std::uint8_t value);

// The byte a typed field text stands for. The text is upper-cased in place; a
// text of three or more characters is cut to its rightmost two, and
// `shortened` tells whether that happened. An empty text gives 0, one
// character its digit value, two characters high and low digit.
std::uint8_t ParseHexText(QString &text, bool &shortened);

// Upper-cases letters one character at a time, so the number of characters
// never changes.
QString UpperCased(const QString &text);
