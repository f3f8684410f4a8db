#include "tester/line_keeper.h"

#include "device/port_name.h"

#include <QFile>
#include <QFileInfo>
#include <QTimerEvent>
#include <poll.h>
#include <sys/stat.h>

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
    m_typed = typed;
    m_device = device;
    const std::optional<PortListEntry> port = FindPort(*m_ports, device);
    m_stableName = port ? port->stableName : QString();
    m_serialNumber = port ? port->serialNumber : QString();
    Enter(State::Watching);
}

bool LineKeeper::Resume(const QString &device)
{
    m_device = device;
    if (LineLost())
        return false;
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
    const int fd = m_serial.Handle();
    if (fd < 0)
        return true;
    pollfd line{fd, POLLIN, 0};
    if (::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLNVAL)))
        return true;
    struct stat opened{};
    struct stat named{};
    return ::fstat(fd, &opened) != 0 || ::stat(QFile::encodeName(m_device).constData(), &named) != 0
        || named.st_rdev != opened.st_rdev;
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
        // Each name in turn, until the window has connected to one.
        for (const QString &device : Candidates()) {
            emit found(device);
            if (m_state != State::Searching)
                break;
        }
    }
}

// The names that identify the device best come first: a path may have been
// taken by another device meanwhile.
QStringList LineKeeper::Candidates() const
{
    QStringList devices;
    const QString stable = m_stableName.isEmpty() ? QString() : QFileInfo(m_stableName).canonicalFilePath();
    if (!stable.isEmpty())
        devices << stable;
    if (!m_serialNumber.isEmpty()) {
        for (const PortListEntry &port : m_ports->Ports()) {
            if (port.serialNumber == m_serialNumber)
                devices << port.path;
        }
    }
    const std::optional<QString> named = PortDeviceName(m_typed);
    if (named && QFileInfo::exists(*named))
        devices << *named;
    devices.removeDuplicates();
    return devices;
}
