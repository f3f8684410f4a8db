#include "tester/pin_tester.h"

namespace {

constexpr char kDirectionCommand = '!';
constexpr char kPortLetters[kPortCount] = {'A', 'B', 'C'};
constexpr char kReadRequests[kPortCount] = {'a', 'b', 'c'};

bool Bit(std::uint8_t byte, int n)
{
    return (byte >> n) & 1;
}

} // namespace

bool CPinTester::DisplayedState(PortIndex P, int n) const
{
    return Bit(m_portDir[P], n) ? Bit(m_portIn[P], n) : Bit(m_portOut[P], n);
}

QString CPinTester::DirectionCaption(PortIndex P, int n) const
{
    return Bit(m_portDir[P], n) ? QStringLiteral("I") : QStringLiteral("O");
}

QString CPinTester::StateCaption(PortIndex P, int n) const
{
    return DisplayedState(P, n) ? QStringLiteral("1") : QStringLiteral("0");
}

void CPinTester::SendDirections()
{
    if (!m_serial.IsOpen())
        return;
    for (PortIndex P = 0; P < kPortCount; ++P) {
        const char command[3] = {kDirectionCommand, kPortLetters[P], static_cast<char>(m_portDir[P])};
        Send(command, sizeof command);
    }
}

void CPinTester::SendOutputs()
{
    if (!m_serial.IsOpen())
        return;
    for (PortIndex P = 0; P < kPortCount; ++P) {
        const char command[2] = {kPortLetters[P], static_cast<char>(m_portOut[P])};
        Send(command, sizeof command);
    }
}

std::uint8_t CPinTester::ReadPort(PortIndex P, bool *answered)
{
    m_serial.DiscardInput();
    const std::optional<unsigned char> answer =
        Send(&kReadRequests[P], 1) ? m_serial.TryReadByte() : std::nullopt;
    if (answered)
        *answered = answer.has_value();
    return answer.value_or(0xFF);
}

bool CPinTester::Send(const char *command, short length)
{
    if (m_bLineStalled)
        return false;
    m_bLineStalled = m_serial.Write(command, length) != length;
    return !m_bLineStalled;
}
