#pragma once

#include "device/device_identity.h"
#include "device/port_list.h"
#include "device/serial_port.h"

#include <QBasicTimer>
#include <QObject>
#include <QStringList>
#include <memory>

// Keeps watch over the connected device. While the line is open it notices
// that the device has gone: its node removed or replaced, or the line hung
// up. Once it has gone, it looks for a device proven to be the same one to
// come back (see DeviceIdentity); a device without such proof is never
// opened by itself. It works from timer events only, its own or the poll
// tick after its poll, so it never runs inside an action.
class LineKeeper : public QObject
{
    Q_OBJECT
public:
    // Longer than the window's poll period, so a polling window's checks come with its polls.
    static constexpr int kCheckPeriodMs = 150;
    static constexpr int kSearchPeriodMs = 200;

    LineKeeper(CSerialPort &serial, std::shared_ptr<const PortSource> ports);
    ~LineKeeper() override;

    void SetPortSource(std::shared_ptr<const PortSource> ports) { m_ports = std::move(ports); }

    // The channel has just been opened on `device`, named `typed` in the field.
    void Watch(const QString &typed, const QString &device);
    // The channel has been opened again on a device found after a loss.
    // False when that line is already lost: the search goes on.
    bool Resume(const QString &device);
    // The window has just used the line: it is checked now, and the keeper's
    // own next check waits a full period, so a window that polls wakes once
    // for both.
    void CheckAfterUse();
    // Neither watches nor looks for any device.
    void Forget();

    // The open line's device is no longer there.
    bool LineLost() const;
    // While the lost device is looked for: the devices proven to be it.
    QStringList Candidates() const;

signals:
    // The device has gone while the line was open; the line must be closed.
    void lost();
    // Time to look for the lost device among the candidates.
    void searching();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    enum class State { Idle, Watching, Searching };

    void Enter(State state);
    void Check();

    CSerialPort &m_serial;
    std::shared_ptr<const PortSource> m_ports;
    State m_state = State::Idle;
    QBasicTimer m_timer;
    QBasicTimer m_troubleCheck;
    QString m_device;
    DeviceIdentity m_identity;
};
