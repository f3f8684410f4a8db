#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What is wired to the device's pins and what is wrong with them. A pin is
// numbered port * 8 + bit: A0 is 0, B3 is 11, C7 is 23.
struct Harness
{
    // Each pin of one port wired to the same pin of the other; -1 when unwired.
    int loopbackFrom = -1;
    int loopbackTo = -1;
    // Bit n set: the wire between the two pins n is broken.
    std::uint8_t openWires = 0;
    // Pins that always read one level, whatever is on their wire.
    std::map<int, bool> stuck;
    // Pairs of pins that each read the AND of the levels on their two wires.
    std::vector<std::pair<int, int>> shorts;
};

// The 24-line I/O device's command decoder, port state and pins.
//
// '!' + port letter + byte sets the port's directions (set bit = input);
// port letter + byte sets its output latch; a lower-case port letter asks
// for the pin levels. Bytes that start no command are ignored, so the
// decoder falls back in step at the next command byte.
//
// An output puts its latch bit on its wire, an input its input level (high
// when nothing outside pulls it low). Two pins joined by a wire both see the
// AND of what each puts on it, so a wire nobody drives reads high.
class DeviceModel
{
public:
    using Ports = std::array<std::uint8_t, 3>;

    // Takes one received byte. Returns the answer when the byte was a read
    // request. A description of what was decoded, if anything, goes to trace.
    std::optional<std::uint8_t> Feed(std::uint8_t byte, std::string *trace = nullptr);

    // What a read request of the port answers: each pin's level as it reads it.
    std::uint8_t Levels(int port) const;

    Ports direction{0xFF, 0xFF, 0xFF};
    Ports latch{0x00, 0x00, 0x00};
    Ports inputs{0xFF, 0xFF, 0xFF};
    Harness harness;

private:
    bool PutOnWire(int pin) const;
    bool WireLevel(int pin) const;
    bool ReadLevel(int pin) const;

    enum class Expect { Command, DirectionPort, DirectionByte, OutputByte };
    Expect m_expect = Expect::Command;
    int m_port = 0;
};
