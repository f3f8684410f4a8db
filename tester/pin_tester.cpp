#include "tester/pin_tester.h"

#include "device/open_failure.h"
#include "device/port_name.h"

#include <QStringList>

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

const QString kStatusStart = QStringLiteral("Set COM port then click Connect.");
const QString kStatusConnected = QStringLiteral("Connection successful.");
const QString kStatusFailed = QStringLiteral("Connection failed.");
const QString kStatusNotAccepting = QStringLiteral("Device not accepting data.");

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

QString LineLostText()
{
    return QStringLiteral("Device disconnected.");
}

CPinTester::CPinTester()
{
    QObject::connect(&m_lineKeeper, &LineKeeper::lost, [this] { OnLineLost(); });
    QObject::connect(&m_lineKeeper, &LineKeeper::searching, [this] { OnSearching(); });
}

void CPinTester::Reset()
{
    for (PortIndex P = 0; P < kPortCount; ++P) {
        m_portDir[P] = 0xFF;
        m_portIn[P] = 0xFF;
        m_portOut[P] = 0x00;
    }
    m_strStatus = kStatusStart;
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

std::optional<QString> CPinTester::OpenPort(const QString &portText)
{
    if (m_serial.IsOpen())
        m_serial.Close();
    const std::optional<QString> device = PortDeviceName(portText);
    if (device && OpenLine(*device) == 1) {
        m_lineKeeper.Watch(portText, *device);
        return device;
    }
    m_lineKeeper.Forget();
    // The reason, where it is known, follows in a sentence of its own.
    const OpenFailure failure = device ? m_serial.LastOpenFailure() : OpenFailure(OpenFailure::Reason::NoSuchPort);
    m_strStatus = QStringList{kStatusFailed, OpenFailureSentence(failure)}.join(u' ').trimmed();
    return std::nullopt;
}

bool CPinTester::Connect(const QString &portText)
{
    if (!OpenPort(portText))
        return false;
    SendState();
    return true;
}

void CPinTester::SendState()
{
    SendDirections();
    SendOutputs();
    m_strStatus = LineStalled() ? kStatusNotAccepting : kStatusConnected;
}

void CPinTester::CloseLine()
{
    m_lineKeeper.Forget();
    if (m_serial.IsOpen())
        m_serial.Close();
}

void CPinTester::SetPortSource(std::shared_ptr<const PortSource> source)
{
    m_ports = std::move(source);
    m_lineKeeper.SetPortSource(m_ports);
}

// The port state and the polling switch stay as they are for the device's return.
void CPinTester::OnLineLost()
{
    m_serial.Close();
    m_strStatus = LineLostText();
    if (m_lineHandler)
        m_lineHandler();
}

bool CPinTester::Reopen()
{
    for (const QString &device : m_lineKeeper.Candidates()) {
        if (OpenLine(device) != 1)
            continue;
        if (m_lineKeeper.Resume(device))
            return true;
        m_serial.Close();
    }
    return false;
}

// When the lost device is back: connected again as Connect does, with the same state.
void CPinTester::OnSearching()
{
    if (!Reopen())
        return;
    BeginAction();
    SendState();
    if (m_lineHandler)
        m_lineHandler();
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

std::array<bool, kPortCount> CPinTester::PollAndKeep()
{
    std::array<bool, kPortCount> renewed{};
    if (!m_serial.IsOpen())
        return renewed;
    const PollResult result = Poll();
    for (PortIndex P = 0; P < kPortCount; ++P) {
        const std::uint8_t r = result.levels[P];
        renewed[P] = r >= 0x80 || r != m_portIn[P];
        m_portIn[P] = r;
        m_marks.Polled(P, m_portDir[P], r, m_portOut[P], result.answered[P]);
    }
    // While the line is open the status tells only how the last exchange
    // went, so a good poll always makes it "Connection successful." again.
    const QString problem = PollProblemText(result.outcome);
    m_strStatus = problem.isEmpty() ? kStatusConnected : problem;
    return renewed;
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
