#include "ui/closing_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Where the handler writes; a signal handler can reach nothing else.
int g_signalPipe = -1;

void OnSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe, &byte, 1);
    errno = savedErrno;
}

} // namespace

// The handler writes a byte into a pipe that the event loop watches.
class ClosingSignals::Delivery
{
public:
    Delivery(ClosingSignals &owner)
    {
        if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        g_signalPipe = m_pipe[1];
        m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, &owner, [this, &owner] {
            char bytes[16];
            while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
            }
            owner.CloseDialogs();
        });
        struct sigaction action = {};
        action.sa_handler = OnSignal;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &action, &m_previous[i]);
    }
    ~Delivery()
    {
        if (m_pipe[0] < 0)
            return;
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &m_previous[i], nullptr);
        g_signalPipe = -1;
        m_notifier.reset();
        ::close(m_pipe[0]);
        ::close(m_pipe[1]);
    }
    Delivery(const Delivery &) = delete;
    Delivery &operator=(const Delivery &) = delete;

private:
    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous[std::size(kSignals)] = {};
};

ClosingSignals::ClosingSignals(QDialog &dialog) : m_dialog(dialog), m_delivery(std::make_unique<Delivery>(*this))
{
}

ClosingSignals::~ClosingSignals() = default;
