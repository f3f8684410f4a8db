#pragma once

#include <QObject>
#include <csignal>
#include <iterator>

class QDialog;
class QSocketNotifier;

// While it lives, SIGTERM, SIGINT and SIGHUP close the dialog as its cancel
// command does (the port closed, polling stopped, the port's lock removed),
// and the process then ends normally. The handler only writes a byte into a
// pipe; the closing runs in the event loop once the action under way is done.
class ClosingSignals : public QObject
{
public:
    explicit ClosingSignals(QDialog &dialog);
    ~ClosingSignals() override;
    ClosingSignals(const ClosingSignals &) = delete;
    ClosingSignals &operator=(const ClosingSignals &) = delete;

private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

    static void OnSignal(int);
    void CloseDialogs();

    QDialog &m_dialog;
    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
    struct sigaction m_previous[std::size(kSignals)] = {};
};
