#pragma once

#include "device/serial_port.h"

#include <QString>
#include <cstdint>

// Ports A, B and C are 0, 1 and 2, in this order for commands, fields and rows.
using PortIndex = int;
constexpr int kPortCount = 3;
constexpr int kPinsPerPort = 8;

// The tester without its window: the device's port state, the captions the
// state gives the pin buttons, and the exchanges with the device.
class CPinTester
{
public:
    static constexpr int kReadTimeoutMs = 50;
    static constexpr const char *kLineSettings = "9600";

    // Captions of pin (P, n): "I" for an input, "O" for an output; and "1" or
    // "0" for the pin's displayed state.
    QString DirectionCaption(PortIndex P, int n) const;
    QString StateCaption(PortIndex P, int n) const;
    // An input shows the level last read, an output the level it drives.
    bool DisplayedState(PortIndex P, int n) const;

    // Starts a user action or a poll tick. Once a write of an action has
    // failed (the line stopped accepting data), the action skips its
    // remaining writes, so it never waits for the write time-out twice.
    void BeginAction() { m_bLineStalled = false; }
    bool LineStalled() const { return m_bLineStalled; }

    // While the channel is open: the direction commands of ports A, B and C.
    void SendDirections();
    // While the channel is open: the output commands of ports A, B and C.
    void SendOutputs();
    // Asks port P for its pin levels; 0xFF when the device does not answer.
    // Input left over from earlier exchanges is dropped first, so a late or
    // stray byte is never taken as the answer to a later request. `answered`
    // tells whether the device answered at all.
    std::uint8_t ReadPort(PortIndex P, bool *answered = nullptr);

    // Set bit = input / pin read high / pin driven high.
    std::uint8_t m_portDir[kPortCount] = {0xFF, 0xFF, 0xFF};
    std::uint8_t m_portIn[kPortCount] = {0xFF, 0xFF, 0xFF};
    std::uint8_t m_portOut[kPortCount] = {0x00, 0x00, 0x00};

    CSerialPort m_serial;

private:
    // Writes one command unless an earlier write of this action failed.
    bool Send(const char *command, short length);

    bool m_bLineStalled = false;
};
