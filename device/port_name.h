#pragma once

#include <QString>
#include <optional>

// Maps the text of the Com Port field to the name of a serial device.
//
// A text that starts with a digit or a sign (after leading white space) is a
// COM port number read as the C library's atoi reads it; COM port N is
// /dev/ttyS{N-1} on Linux and COMN on Windows. Numbers outside 1..65535 name
// no port. "COMN" (any case) means COM port N as well. Any other text names
// the device itself: a path, or a name under /dev such as ttyUSB0.
// Returns nothing when the text names no port, as a text holding a control
// character never does.
std::optional<QString> PortDeviceName(const QString &fieldText);

// The path the text names before any link is followed, such as the link
// that korvane-sim --link makes; nothing as for PortDeviceName.
std::optional<QString> PortPathAsTyped(const QString &fieldText);

// Whether the text holds a character below 0x20 (NUL included) or 0x7F.
bool HoldsControlCharacter(QStringView text);
