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
struct ClosingSignals::Delivery
{
    int pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    struct sigaction previous[std::size(kSignals)] = {};
};

ClosingSignals::ClosingSignals(QDialog &dialog) : m_dialog(dialog), m_delivery(std::make_unique<Delivery>())
{
    Delivery &d = *m_delivery;
    if (::pipe2(d.pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_signalPipe = d.pipe[1];
    d.notifier = std::make_unique<QSocketNotifier>(d.pipe[0], QSocketNotifier::Read);
    QObject::connect(d.notifier.get(), &QSocketNotifier::activated, d.notifier.get(), [this, &d] {
        char bytes[16];
        while (::read(d.pipe[0], bytes, sizeof bytes) > 0) {
        }
        CloseDialogs();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &d.previous[i]);
}

ClosingSignals::~ClosingSignals()
{
    Delivery &d = *m_delivery;
    if (d.pipe[0] < 0)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &d.previous[i], nullptr);
    g_signalPipe = -1;
    d.notifier.reset();
    ::close(d.pipe[0]);
    ::close(d.pipe[1]);
}
