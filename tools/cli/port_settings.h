#pragma once

#include "tester/pin_tester.h"

#include <QString>
#include <cstdint>
#include <optional>

// A byte for each port: the tester's directions (set bit = input) or
// output levels, which korvane-cli remembers for the device.
using PortBytes = std::uint8_t[kPortCount];

// What a setting changes.
enum SettingKinds : int { kNoSetting = 0, kDirections = 1, kOutputs = 2 };

// Applies one setting ("A.dir=0F", "A.out=50", "B3=in", "B3=out", "B3=1",
// "B3=0") to the directions and levels. Returns the kinds it changes,
// kNoSetting when the text is not a setting. "B3=1" and "B3=0" also make the
// pin an output.
int ApplySetting(const QString &text, PortBytes &dir, PortBytes &out);

// An expected reading: a whole port ("A=5F") or one pin ("B3=1").
struct Expectation
{
    PortIndex port = 0;
    std::uint8_t mask = 0xFF;  // the bits compared
    std::uint8_t value = 0;
};
std::optional<Expectation> ParseExpectation(const QString &text);

// A port letter, in either case; nothing for any other text.
std::optional<PortIndex> ParsePort(const QString &text);
// "A", "B" or "C".
QString PortName(PortIndex P);
// "B3".
QString PinName(int pin);
// The byte as two upper-case hexadecimal digits.
QString Hex(std::uint8_t value);
// The byte as eight binary digits, bit 7 first.
QString Binary(std::uint8_t value);
