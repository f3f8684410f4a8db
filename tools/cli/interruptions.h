#pragma once

#include <QtGlobal>
#include <memory>

// While it lives, Ctrl-C (SIGINT) and SIGTERM, and SIGHUP when asked, only
// note that they came. They stay blocked except during Pause and Signal, so
// one that arrives during an exchange with the device waits for its end and
// none is lost. When not caught (in a script, which they end as a whole),
// and where the program was started with them ignored (nohup), they keep
// their usual effect.
class Interruptions
{
public:
    explicit Interruptions(bool caught, bool hangUpToo = false);
    ~Interruptions();
    Interruptions(const Interruptions &) = delete;
    Interruptions &operator=(const Interruptions &) = delete;

    // Waits the time or until an interruption; false when interrupted.
    bool Pause(qint64 ms) const;
    // The signal that interrupted, or 0.
    int Signal() const;

private:
    struct Saved;
    std::unique_ptr<Saved> m_saved;
};
