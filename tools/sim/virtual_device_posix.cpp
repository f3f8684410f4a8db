#include "tools/sim/virtual_device.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

VirtualDevice *g_stoppedBySignals = nullptr;

void OnSignal(int)
{
    if (g_stoppedBySignals)
        g_stoppedBySignals->Stop();
}

void CloseFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

VirtualDevice::VirtualDevice(SimOptions options) : m_options(std::move(options))
{
    m_model.inputs = m_options.inputs;
    m_model.harness = m_options.harness;
}

VirtualDevice::~VirtualDevice()
{
    if (g_stoppedBySignals == this)
        g_stoppedBySignals = nullptr;
    if (m_thread.joinable()) {
        Stop();
        m_thread.join();
    }
    if (!m_options.link.empty() && m_master >= 0)
        ::unlink(m_options.link.c_str());
    CloseFd(m_master);
    CloseFd(m_slave);
    CloseFd(m_wake[0]);
    CloseFd(m_wake[1]);
}

bool VirtualDevice::Open(std::string &error)
{
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    m_devicePath = name;
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::cfsetspeed(&raw, B9600);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    if (!m_options.link.empty()) {
        ::unlink(m_options.link.c_str());
        if (::symlink(name, m_options.link.c_str()) != 0) {
            error = "cannot link " + m_options.link + ": " + std::strerror(errno);
            m_options.link.clear();
            return false;
        }
    }
    return true;
}

void VirtualDevice::StopOnSignals()
{
    g_stoppedBySignals = this;
    struct sigaction action{};
    action.sa_handler = OnSignal;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void VirtualDevice::Start()
{
    m_thread = std::thread([this] { Run(); });
}

void VirtualDevice::Stop()
{
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &wake, 1);
}

void VirtualDevice::Run()
{
    m_nextWalk = Clock::now() + std::chrono::milliseconds(m_options.walkMs);
    for (;;) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, MillisecondsToNextEvent(Clock::now()));
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        const Clock::time_point now = Clock::now();
        if (fds[0].revents & POLLIN)
            TakeInput(now);
        SendDueAnswers(now);
        WalkInputs(now);
    }
}

void VirtualDevice::TakeInput(Clock::time_point now)
{
    std::uint8_t buffer[256];
    // Read under the lock, so that AllInputTaken never sees bytes taken from
    // the terminal but not yet received.
    std::lock_guard lock(m_mutex);
    const ssize_t count = ::read(m_master, buffer, sizeof buffer);
    for (ssize_t i = 0; i < count; ++i) {
        m_received.push_back(buffer[i]);
        std::string trace;
        const std::optional<std::uint8_t> answer = m_model.Feed(buffer[i], m_options.trace ? &trace : nullptr);
        if (!trace.empty())
            std::fprintf(stderr, "korvane-sim: %s\n", trace.c_str());
        for (int copy = 0; answer && !m_options.silent && copy < (m_options.doubled ? 2 : 1); ++copy)
            m_pendingAnswers.emplace_back(now + std::chrono::milliseconds(m_options.delayMs), *answer);
    }
}

void VirtualDevice::SendDueAnswers(Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    while (!m_pendingAnswers.empty() && m_pendingAnswers.front().first <= now) {
        Transmit(m_pendingAnswers.front().second);
        m_pendingAnswers.pop_front();
    }
}

// A walking one on port A, a counter on port B and a walking zero on port C.
void VirtualDevice::WalkInputs(Clock::time_point now)
{
    if (m_options.walkMs <= 0 || now < m_nextWalk)
        return;
    m_nextWalk = now + std::chrono::milliseconds(m_options.walkMs);
    std::lock_guard lock(m_mutex);
    ++m_walkStep;
    const auto walkingOne = static_cast<std::uint8_t>(1u << (m_walkStep % 8));
    m_model.inputs = {walkingOne, static_cast<std::uint8_t>(m_walkStep), static_cast<std::uint8_t>(~walkingOne)};
}

int VirtualDevice::MillisecondsToNextEvent(Clock::time_point now) const
{
    Clock::time_point next = Clock::time_point::max();
    if (m_options.walkMs > 0)
        next = m_nextWalk;
    {
        std::lock_guard lock(m_mutex);
        if (!m_pendingAnswers.empty())
            next = std::min(next, m_pendingAnswers.front().first);
    }
    if (next == Clock::time_point::max())
        return -1;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
    return static_cast<int>(std::max<decltype(wait)>(wait, 0));
}

void VirtualDevice::Transmit(std::uint8_t byte)
{
    [[maybe_unused]] const ssize_t written = ::write(m_master, &byte, 1);
}

std::vector<std::uint8_t> VirtualDevice::Received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

bool VirtualDevice::AllInputTaken() const
{
    std::lock_guard lock(m_mutex);
    int waiting = 0;
    return ::ioctl(m_master, FIONREAD, &waiting) == 0 && waiting == 0;
}

void VirtualDevice::ClearReceived()
{
    std::lock_guard lock(m_mutex);
    m_received.clear();
}

DeviceModel VirtualDevice::Model() const
{
    std::lock_guard lock(m_mutex);
    return m_model;
}

void VirtualDevice::SetSilent(bool silent)
{
    std::lock_guard lock(m_mutex);
    m_options.silent = silent;
}

void VirtualDevice::SetDelayMs(int delayMs)
{
    std::lock_guard lock(m_mutex);
    m_options.delayMs = delayMs;
}

void VirtualDevice::SetDoubleAnswers(bool doubled)
{
    std::lock_guard lock(m_mutex);
    m_options.doubled = doubled;
}

void VirtualDevice::SetInputs(int port, std::uint8_t levels)
{
    std::lock_guard lock(m_mutex);
    m_model.inputs[port] = levels;
}

void VirtualDevice::SendStray(std::uint8_t byte)
{
    std::lock_guard lock(m_mutex);
    Transmit(byte);
}

void VirtualDevice::SuspendLine(bool suspended)
{
    ::tcflow(m_slave, suspended ? TCOOFF : TCOON);
}

termios VirtualDevice::LineSettings() const
{
    termios settings{};
    ::tcgetattr(m_slave, &settings);
    return settings;
}
