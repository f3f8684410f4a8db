#include "tools/cli/interruptions.h"

#include <csignal>
#include <ctime>
#include <map>
#include <poll.h>

namespace {

volatile std::sig_atomic_t g_signal = 0;

void OnInterrupt(int signal)
{
    if (!g_signal)
        g_signal = signal;
}

} // namespace

struct Interruptions::Saved
{
    std::map<int, struct sigaction> actions;
    sigset_t oldMask{};
    sigset_t openMask{};  // the old mask without the signals caught
};

Interruptions::Interruptions(bool caught, bool hangUpToo)
{
    g_signal = 0;
    if (!caught)
        return;
    m_saved = std::make_unique<Saved>();
    sigset_t blocked;
    sigemptyset(&blocked);
    struct sigaction action{};
    action.sa_handler = OnInterrupt;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old{};
        if ((signal == SIGHUP && !hangUpToo) || ::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, &m_saved->actions[signal]);
        sigaddset(&blocked, signal);
    }
    ::sigprocmask(SIG_BLOCK, &blocked, &m_saved->oldMask);
    m_saved->openMask = m_saved->oldMask;
    for (const auto &[signal, old] : m_saved->actions)
        sigdelset(&m_saved->openMask, signal);
}

Interruptions::~Interruptions()
{
    if (!m_saved)
        return;
    // A signal still waiting comes in now and is only noted.
    ::sigprocmask(SIG_SETMASK, &m_saved->oldMask, nullptr);
    for (const auto &[signal, old] : m_saved->actions)
        ::sigaction(signal, &old, nullptr);
}

bool Interruptions::Pause(qint64 ms) const
{
    if (ms > 0 && !g_signal) {
        const timespec wait{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
        ::ppoll(nullptr, 0, &wait, m_saved ? &m_saved->openMask : nullptr);
    }
    return !g_signal;
}

int Interruptions::Signal() const
{
    if (m_saved && !g_signal) {
        // Unblocking delivers a waiting signal before sigprocmask returns.
        sigset_t blocked;
        ::sigprocmask(SIG_SETMASK, &m_saved->openMask, &blocked);
        ::sigprocmask(SIG_SETMASK, &blocked, nullptr);
    }
    return g_signal;
}
