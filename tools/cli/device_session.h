#pragma once

#include "tester/pin_tester.h"
#include "tools/cli/port_settings.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// The device the commands work on. The port is opened by the first command
// that needs it and stays open for the rest of a script. Opening sends
// nothing: the tester's directions and levels are then the state last sent
// to the device, by this run or an earlier one, and the commands change and
// send them. The tester keeps watch over the line as in the window, but with
// no event loop running it looks only when watch asks it to.
class DeviceSession
{
public:
    explicit DeviceSession(std::optional<QString> portText) : m_portText(std::move(portText)) {}

    // kSuccess, or the exit status after reporting why the port is not open.
    int Open();
    CPinTester &Tester() { return m_tester; }

    // The levels of port P; nothing when the device did not answer.
    std::optional<std::uint8_t> Read(PortIndex P);
    // Sends the commands of the given kinds (SettingKinds) for the tester's
    // state. When it turns pins that were inputs by `before` into outputs,
    // the levels go first, so that no pin drives its old level for a moment;
    // otherwise directions go first, as the window's Connect sends them.
    // kSuccess, or the status after reporting the fault.
    int Send(int kinds, const std::array<std::uint8_t, kPortCount> &before);
    // Keeps the tester's state for later runs.
    int Remember();

private:
    std::optional<QString> m_portText;
    CPinTester m_tester;
    QString m_statePath;
};
