#pragma once

#include "tools/sim/device_model.h"

#include <QFile>
#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

// The device's end of a null-modem line, served by the device model on a
// thread of its own until the line hangs up.
class FarEnd
{
public:
    explicit FarEnd(const QString &path) : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY))
    {
        m_thread = std::thread([this] { Serve(); });
    }
    ~FarEnd()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    int Received() const { return m_received; }

private:
    void Serve()
    {
        DeviceModel model;
        pollfd line{m_fd, POLLIN, 0};
        while (!m_stop && ::poll(&line, 1, 10) >= 0 && !(line.revents & POLLHUP)) {
            std::uint8_t byte = 0;
            if (!(line.revents & POLLIN) || ::read(m_fd, &byte, 1) != 1)
                continue;
            ++m_received;
            if (const std::optional<std::uint8_t> answer = model.Feed(byte))
                [[maybe_unused]] const ssize_t written = ::write(m_fd, &*answer, 1);
        }
    }

    int m_fd;
    std::thread m_thread;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_received = 0;
};
