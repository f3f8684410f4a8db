#pragma once

#include "left_over_locks.h"

#include <QProcess>
#include <QString>

// Starts korvane-sim and returns the device it announces, or an empty text.
inline QString StartSim(QProcess &sim, const QStringList &arguments)
{
    sim.start(QStringLiteral(KORVANE_SIM_PATH), arguments);
    sim.waitForReadyRead(5000);
    const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
    const QString device = line.startsWith("korvane-sim: device on ") ? line.section(' ', -1) : QString();
    if (!device.isEmpty())
        RemoveLeftOverLock(device);
    return device;
}
