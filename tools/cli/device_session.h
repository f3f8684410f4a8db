#pragma once

#include "device/device_identity.h"
#include "device/port_list.h"
#include "tester/pin_tester.h"
#include "tools/cli/port_settings.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

// The device the commands work on. The port is opened by the first command
// that needs it and stays open for the rest of a script. Opening sends
// nothing; the state the device is believed to hold is the remembered one.
class DeviceSession
{
public:
    explicit DeviceSession(std::optional<QString> portText) : m_portText(std::move(portText)) {}

    // kSuccess, or the exit status after reporting why the port is not open.
    int Open();
    CPinTester &Tester() { return m_tester; }

    // The levels of port P; nothing when the device did not answer.
    std::optional<std::uint8_t> Read(PortIndex P);
    // Reads ports A, B and C by the window's poll rule.
    PollResult Poll();

    // Whether the device the port was opened on has gone; the port is then closed.
    bool Lost();
    // Opens the port again on a device proven to be the one that went;
    // false when none is present.
    bool Reopen();

    // The state last sent to this device, by this run or an earlier one.
    const PortState &DeviceState() const { return m_deviceState; }
    // Sends the commands of the given kinds for the state. When it turns
    // pins into outputs, the levels go first, so that no pin drives its old
    // level for a moment. kSuccess, or the status after reporting the fault.
    int Send(const PortState &state, int kinds);
    // Directions and then levels, as the window's Connect sends them.
    int SendWhole(const PortState &state);
    // Keeps the device state for later runs.
    int Remember();

private:
    int Sent(const PortState &state);

    std::optional<QString> m_portText;
    CPinTester m_tester;
    QString m_device;
    DeviceIdentity m_identity;
    QString m_statePath;
    PortState m_deviceState;
};
