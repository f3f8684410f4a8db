#pragma once

#include "left_over_locks.h"
#include "tools/sim/virtual_device.h"

#include <QString>
#include <QTest>

// A virtual device on a pseudo-terminal; until started it reads nothing.
struct PtyDevice : VirtualDevice
{
    QString path;
    explicit PtyDevice(SimOptions options = {}) : VirtualDevice(std::move(options))
    {
        std::string error;
        if (!Open(error))
            qFatal("%s", error.c_str());
        path = QString::fromStdString(DevicePath());
        RemoveLeftOverLock(path);
    }

    // The bytes received, once at least `count` have come and all that was
    // written is taken (after a short wait when none are expected): a loaded
    // machine may leave the device behind.
    QByteArray Wire(int count = 0) const
    {
        if (count == 0)
            QTest::qWait(30);
        static_cast<void>(QTest::qWaitFor([&] { return static_cast<int>(Received().size()) >= count && AllInputTaken(); }, 5000));
        const std::vector<std::uint8_t> bytes = Received();
        return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }
    // Forgets what was received, once everything written so far is taken.
    void ClearWire()
    {
        if (!QTest::qWaitFor([&] { return AllInputTaken(); }, 5000))
            qWarning("the device did not take its input within 5 s");
        ClearReceived();
    }
};
