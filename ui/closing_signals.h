#pragma once

#include <memory>

class QDialog;

// While it lives, SIGTERM, SIGINT and SIGHUP close the dialog as its cancel
// command does (the port closed, polling stopped, the port's lock removed),
// and the process then ends normally. The signals are only noted where they
// arrive; the closing runs in the event loop once the action under way is done.
class ClosingSignals
{
public:
    explicit ClosingSignals(QDialog &dialog);
    ~ClosingSignals();
    ClosingSignals(const ClosingSignals &) = delete;
    ClosingSignals &operator=(const ClosingSignals &) = delete;

private:
    // How the platform delivers the signals into the event loop.
    struct Delivery;

    void CloseDialogs();

    QDialog &m_dialog;
    std::unique_ptr<Delivery> m_delivery;
};
