#include "tools/sim/device_model.h"

#include <cstdio>

namespace {

std::string Described(const char *what, int port, std::uint8_t value)
{
    char text[48];
    std::snprintf(text, sizeof text, "%s %c %02X", what, 'A' + port, value);
    return text;
}

void Note(std::string *trace, std::string text)
{
    if (trace)
        *trace = std::move(text);
}

} // namespace

std::uint8_t DeviceModel::Levels(int port) const
{
    return static_cast<std::uint8_t>((latch[port] & ~direction[port]) | (inputs[port] & direction[port]));
}

std::optional<std::uint8_t> DeviceModel::Feed(std::uint8_t byte, std::string *trace)
{
    switch (m_expect) {
    case Expect::DirectionByte:
        direction[m_port] = byte;
        m_expect = Expect::Command;
        Note(trace, Described("direction", m_port, byte));
        return std::nullopt;
    case Expect::OutputByte:
        latch[m_port] = byte;
        m_expect = Expect::Command;
        Note(trace, Described("output", m_port, byte));
        return std::nullopt;
    case Expect::DirectionPort:
        m_expect = Expect::Command;
        if (byte >= 'A' && byte <= 'C') {
            m_port = byte - 'A';
            m_expect = Expect::DirectionByte;
            return std::nullopt;
        }
        break;
    case Expect::Command:
        break;
    }

    if (byte == '!') {
        m_expect = Expect::DirectionPort;
    } else if (byte >= 'A' && byte <= 'C') {
        m_port = byte - 'A';
        m_expect = Expect::OutputByte;
    } else if (byte >= 'a' && byte <= 'c') {
        const std::uint8_t answer = Levels(byte - 'a');
        Note(trace, Described("read", byte - 'a', answer));
        return answer;
    } else {
        char text[24];
        std::snprintf(text, sizeof text, "ignored %02X", byte);
        Note(trace, text);
    }
    return std::nullopt;
}
