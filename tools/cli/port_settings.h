#pragma once

#include "tester/pin_tester.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

// What the program remembers of a device: its directions (set bit = input)
// and output levels. The device itself cannot report them.
struct PortState
{
    std::array<std::uint8_t, kPortCount> dir{0xFF, 0xFF, 0xFF};
    std::array<std::uint8_t, kPortCount> out{0x00, 0x00, 0x00};
    bool operator==(const PortState &) const = default;
};

// What a setting changes.
enum SettingKinds : int { kNoSetting = 0, kDirections = 1, kOutputs = 2 };

// Applies one setting ("A.dir=0F", "A.out=50", "B3=in", "B3=out", "B3=1",
// "B3=0") to the state. Returns the kinds it changes, kNoSetting when the text
// is not a setting. "B3=1" and "B3=0" also make the pin an output.
int ApplySetting(const QString &text, PortState &state);

// The state as settings that ApplySetting reads back.
QString SettingsText(const PortState &state);

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
