#pragma once

#include <QProcess>
#include <QString>

// Starts korvane-sim and returns the device it announces, or an empty text.
inline QString StartSim(QProcess &sim, const QStringList &arguments)
{
    sim.start(QStringLiteral(KORVANE_SIM_PATH), arguments);
    sim.waitForReadyRead(5000);
    const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
    return line.startsWith("korvane-sim: device on ") ? line.section(' ', -1) : QString();
}
