#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The 24-line I/O device's command decoder and port state.
//
// '!' + port letter + byte sets the port's directions (set bit = input);
// port letter + byte sets its output latch; a lower-case port letter asks
// for the pin levels. Bytes that start no command are ignored, so the
// decoder falls back in step at the next command byte.
class DeviceModel
{
public:
    using Ports = std::array<std::uint8_t, 3>;

    // Takes one received byte. Returns the answer when the byte was a read
    // request. A description of what was decoded, if anything, goes to trace.
    std::optional<std::uint8_t> Feed(std::uint8_t byte, std::string *trace = nullptr);

    // Level of each pin: the latch for outputs, the input level for inputs.
    std::uint8_t Levels(int port) const;

    Ports direction{0xFF, 0xFF, 0xFF};
    Ports latch{0x00, 0x00, 0x00};
    Ports inputs{0xFF, 0xFF, 0xFF};

private:
    enum class Expect { Command, DirectionPort, DirectionByte, OutputByte };
    Expect m_expect = Expect::Command;
    int m_port = 0;
};
