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

bool DeviceModel::PutOnWire(int pin) const
{
    const int port = pin / 8;
    const int bit = pin % 8;
    const std::uint8_t source = (direction[port] >> bit) & 1 ? inputs[port] : latch[port];
    return (source >> bit) & 1;
}

bool DeviceModel::WireLevel(int pin) const
{
    const int port = pin / 8;
    const int bit = pin % 8;
    bool level = PutOnWire(pin);
    const bool wired = (port == harness.loopbackFrom || port == harness.loopbackTo)
        && !((harness.openWires >> bit) & 1);
    if (wired) {
        const int otherPort = port == harness.loopbackFrom ? harness.loopbackTo : harness.loopbackFrom;
        level = level && PutOnWire(otherPort * 8 + bit);
    }
    return level;
}

bool DeviceModel::ReadLevel(int pin) const
{
    if (const auto stuck = harness.stuck.find(pin); stuck != harness.stuck.end())
        return stuck->second;
    bool level = WireLevel(pin);
    for (const auto &[first, second] : harness.shorts) {
        if (first == pin)
            level = level && WireLevel(second);
        else if (second == pin)
            level = level && WireLevel(first);
    }
    return level;
}

std::uint8_t DeviceModel::Levels(int port) const
{
    std::uint8_t levels = 0;
    for (int bit = 0; bit < 8; ++bit)
        levels |= static_cast<std::uint8_t>(ReadLevel(port * 8 + bit) << bit);
    return levels;
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
