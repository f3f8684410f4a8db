#include "ui/closing_signals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Where the handler writes; a signal handler can reach nothing else.
int g_signalPipe = -1;

} // namespace

ClosingSignals::ClosingSignals(QDialog &dialog) : m_dialog(dialog)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_signalPipe = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ClosingSignals::CloseDialogs);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &m_previous[i]);
}

ClosingSignals::~ClosingSignals()
{
    if (m_pipe[0] < 0)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &m_previous[i], nullptr);
    g_signalPipe = -1;
    delete m_notifier;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void ClosingSignals::OnSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe, &byte, 1);
    errno = savedErrno;
}

// A message box open over the dialog is closed first, so that the dialog's
// own closing ends the run at once.
void ClosingSignals::CloseDialogs()
{
    char bytes[16];
    while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
    }
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *other = qobject_cast<QDialog *>(window);
        if (other && other != &m_dialog && other->isVisible())
            other->reject();
    }
    m_dialog.reject();
}
