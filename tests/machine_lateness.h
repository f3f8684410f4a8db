#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>

// How late this machine wakes a waiting thread now: the worst of a few short
// waits beyond their length. Timing checks add a multiple of it to their
// limits, so a loaded machine does not fail them while an idle one keeps them
// as tight as they are meant to be.
inline qint64 MachineLatenessMs()
{
    constexpr int kWaitMs = 20;
    qint64 worst = 0;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(kWaitMs);
        worst = std::max(worst, clock.elapsed() - kWaitMs);
    }
    return worst;
}
