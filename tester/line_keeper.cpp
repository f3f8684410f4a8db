#include "tester/line_keeper.h"

#include "device/line_presence.h"

#include <QTimerEvent>

LineKeeper::LineKeeper(CSerialPort &serial, std::shared_ptr<const PortSource> ports)
    : m_serial(serial), m_ports(std::move(ports))
{
    // A failed read or write may be a loss: look at once, after the action.
    m_serial.SetTroubleHandler([this] {
        if (m_state == State::Watching && !m_troubleCheck.isActive())
            m_troubleCheck.start(0, this);
    });
}

LineKeeper::~LineKeeper()
{
    m_serial.SetTroubleHandler({});
}

void LineKeeper::Watch(const QString &typed, const QString &device)
{
    m_device = device;
    m_identity = DeviceIdentity(typed, device, *m_ports);
    Enter(State::Watching);
}

bool LineKeeper::Resume(const QString &device)
{
    m_device = device;
    if (LineLost())
        return false;
    m_identity.Reopened();
    Enter(State::Watching);
    return true;
}

void LineKeeper::CheckAfterUse()
{
    if (m_state != State::Watching)
        return;
    m_timer.start(kCheckPeriodMs, Qt::PreciseTimer, this);
    Check();
}

void LineKeeper::Forget()
{
    Enter(State::Idle);
}

void LineKeeper::Enter(State state)
{
    m_state = state;
    m_troubleCheck.stop();
    if (state == State::Idle)
        m_timer.stop();
    else
        m_timer.start(state == State::Watching ? kCheckPeriodMs : kSearchPeriodMs, Qt::PreciseTimer, this);
}

bool LineKeeper::LineLost() const
{
    return ::LineLost(m_serial, m_device);
}

void LineKeeper::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_troubleCheck.timerId())
        m_troubleCheck.stop();
    else if (event->timerId() != m_timer.timerId())
        return QObject::timerEvent(event);
    Check();
}

void LineKeeper::Check()
{
    if (m_state == State::Watching && m_serial.IsOpen() && LineLost()) {
        Enter(State::Searching);
        emit lost();
    } else if (m_state == State::Searching) {
        emit searching();
    }
}

QStringList LineKeeper::Candidates() const
{
    return m_state == State::Searching ? m_identity.Candidates(*m_ports) : QStringList();
}
