#include "tools/cli/device_session.h"

#include "device/port_list.h"
#include "tools/cli/console.h"
#include "tools/cli/state_file.h"

int DeviceSession::Open()
{
    if (m_tester.m_serial.IsOpen())
        return kSuccess;
    if (!m_portText)
        return Report(kUsageError, QStringLiteral("this command needs a port: give -p PORT (see korvane-cli --help)"));
    const std::optional<QString> device = m_tester.OpenPort(*m_portText);
    if (!device)
        return Report(kNoDevice, Shown(*m_portText) + QStringLiteral(": ") + m_tester.m_strStatus);
    m_statePath = StateFilePath(StableDeviceName(*device));
    QString problem;
    if (!LoadState(m_statePath, m_tester, problem)) {
        // Nothing is sent to a device whose state cannot be kept safely.
        m_tester.CloseLine();
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

int DeviceSession::Send(int kinds, const std::array<std::uint8_t, kPortCount> &before)
{
    bool outputsFirst = false;
    for (PortIndex P = 0; P < kPortCount; ++P)
        outputsFirst = outputsFirst || ((kinds & kOutputs) && (before[P] & ~m_tester.m_portDir[P]));
    m_tester.BeginAction();
    if (outputsFirst)
        m_tester.SendOutputs();
    if (kinds & kDirections)
        m_tester.SendDirections();
    if ((kinds & kOutputs) && !outputsFirst)
        m_tester.SendOutputs();
    if (m_tester.LineStalled())
        return Report(kNoDevice, QStringLiteral("the device does not take commands: writing to %1 failed").arg(Shown(*m_portText)));
    return kSuccess;
}

int DeviceSession::Remember()
{
    QString problem;
    return SaveState(m_statePath, m_tester, problem) ? kSuccess : Report(kStateNotKept, problem);
}
