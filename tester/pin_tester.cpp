#include "tester/pin_tester.h"

namespace {

constexpr char kDirectionCommand = '!';
constexpr char kPortLetters[kPortCount] = {'A', 'B', 'C'};
constexpr char kReadRequests[kPortCount] = {'a', 'b', 'c'};
// Bytes taken one by one before the rest is dropped at once: a device that
// floods the line cannot hold the tester up.
constexpr int kMostBytesTaken = 64;

bool Bit(std::uint8_t byte, int n)
{
    return (byte >> n) & 1;
}

} // namespace

QString PollProblemText(PollResult::Outcome outcome)
{
    switch (outcome) {
    case PollResult::Outcome::Answered:
        return {};
    case PollResult::Outcome::NoAnswer:
        return QStringLiteral("No answer from device.");
    case PollResult::Outcome::UnexpectedData:
        return QStringLiteral("Unexpected data from device.");
    }
    return {};
}

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

int CPinTester::OpenLine(const QString &deviceName)
{
    // A new line owes no answers and has brought nothing unasked.
    m_unansweredRequest.reset();
    m_lastUnexpected.reset();
    return m_serial.Open(deviceName, kLineSettings, kReadTimeoutMs);
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

PortReading CPinTester::ReadPort(PortIndex P)
{
    PortReading reading;
    TakeWaitingBytes();
    if (m_unansweredRequest && Clock::now() - *m_unansweredRequest > std::chrono::milliseconds(kLateAnswerLimitMs))
        m_unansweredRequest.reset();
    if (!m_unansweredRequest && Send(&kReadRequests[P], 1)) {
        reading.levels = m_serial.TryReadByte();
        if (reading.levels)
            TakeWaitingBytes();
        else
            m_unansweredRequest = Clock::now();
    }
    reading.unexpected = InDoubt();
    return reading;
}

PollResult CPinTester::Poll()
{
    PollResult result;
    for (PortIndex P = 0; P < kPortCount; ++P) {
        const PortReading reading = ReadPort(P);
        if (reading.unexpected)
            return {PollResult::Outcome::UnexpectedData};
        if (!reading.levels) {
            result.outcome = PollResult::Outcome::NoAnswer;
            return result;
        }
        result.levels[P] = *reading.levels;
        result.answered[P] = true;
    }
    return result;
}

void CPinTester::TakeWaitingBytes()
{
    if (!m_serial.IsOpen())
        return;
    for (int taken = 0; taken < kMostBytesTaken; ++taken) {
        if (!m_serial.TryReadByte(QDeadlineTimer(0)))
            return;
        if (m_unansweredRequest)
            m_unansweredRequest.reset();
        else
            m_lastUnexpected = Clock::now();
    }
    m_serial.DiscardInput();
    m_lastUnexpected = Clock::now();
}

bool CPinTester::InDoubt() const
{
    return m_lastUnexpected && Clock::now() - *m_lastUnexpected < std::chrono::milliseconds(kTrustAgainAfterMs);
}

bool CPinTester::Send(const char *command, short length)
{
    if (m_bLineStalled)
        return false;
    m_bLineStalled = m_serial.Write(command, length) != length;
    return !m_bLineStalled;
}
