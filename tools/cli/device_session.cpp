#include "tools/cli/device_session.h"

#include "device/line_presence.h"
#include "tools/cli/console.h"
#include "tools/cli/state_file.h"

#include <QStringList>

namespace {

void CopyTo(CPinTester &tester, const PortState &state)
{
    for (PortIndex P = 0; P < kPortCount; ++P) {
        tester.m_portDir[P] = state.dir[P];
        tester.m_portOut[P] = state.out[P];
    }
}

bool MakesOutputs(const PortState &from, const PortState &to)
{
    for (PortIndex P = 0; P < kPortCount; ++P) {
        if (from.dir[P] & ~to.dir[P])
            return true;
    }
    return false;
}

} // namespace

int DeviceSession::Open()
{
    if (m_tester.m_serial.IsOpen())
        return kSuccess;
    if (!m_portText)
        return Report(kUsageError, QStringLiteral("this command needs a port: give -p PORT (see korvane-cli --help)"));
    const std::optional<QString> device = m_tester.OpenPort(*m_portText);
    if (!device)
        return Report(kNoDevice, Shown(*m_portText) + QStringLiteral(": ") + m_tester.m_strStatus);
    m_device = *device;
    m_identity = DeviceIdentity(*m_portText, m_device, *m_tester.Ports());
    m_statePath = StateFilePath(StableDeviceName(*device));
    QString problem;
    if (!LoadState(m_statePath, m_deviceState, problem)) {
        // Nothing is sent to a device whose state cannot be kept safely.
        m_tester.m_serial.Close();
        return Report(kNoDevice, problem);
    }
    if (!problem.isEmpty())
        Report(kSuccess, problem);
    return kSuccess;
}

std::optional<std::uint8_t> DeviceSession::Read(PortIndex P)
{
    m_tester.BeginAction();
    // A reading that bytes nobody asked for came with is not to be trusted.
    const PortReading reading = m_tester.ReadPort(P);
    return reading.unexpected ? std::nullopt : reading.levels;
}

PollResult DeviceSession::Poll()
{
    m_tester.BeginAction();
    return m_tester.Poll();
}

bool DeviceSession::Lost()
{
    if (!m_tester.m_serial.IsOpen())
        return true;
    if (!LineLost(m_tester.m_serial, m_device))
        return false;
    m_tester.m_serial.Close();
    return true;
}

bool DeviceSession::Reopen()
{
    for (const QString &device : m_identity.Candidates(*m_tester.Ports())) {
        if (m_tester.OpenLine(device) != 1)
            continue;
        if (!LineLost(m_tester.m_serial, device)) {
            m_device = device;
            m_identity.Reopened();
            return true;
        }
        m_tester.m_serial.Close();
    }
    return false;
}

int DeviceSession::Send(const PortState &state, int kinds)
{
    CopyTo(m_tester, state);
    m_tester.BeginAction();
    const bool outputsFirst = (kinds & kOutputs) && MakesOutputs(m_deviceState, state);
    if (outputsFirst)
        m_tester.SendOutputs();
    if (kinds & kDirections)
        m_tester.SendDirections();
    if ((kinds & kOutputs) && !outputsFirst)
        m_tester.SendOutputs();
    return Sent(state);
}

int DeviceSession::SendWhole(const PortState &state)
{
    CopyTo(m_tester, state);
    m_tester.BeginAction();
    m_tester.SendDirections();
    m_tester.SendOutputs();
    return Sent(state);
}

int DeviceSession::Sent(const PortState &state)
{
    if (m_tester.LineStalled())
        return Report(kNoDevice, QStringLiteral("the device does not take commands: writing to %1 failed").arg(Shown(*m_portText)));
    m_deviceState = state;
    return kSuccess;
}

int DeviceSession::Remember()
{
    QString problem;
    return SaveState(m_statePath, m_deviceState, problem) ? kSuccess : Report(kStateNotKept, problem);
}
