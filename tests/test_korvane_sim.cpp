#include "device/serial_port.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// Starts korvane-sim and returns the device it announces.
QString StartSim(QProcess &sim, const QStringList &arguments)
{
    sim.start(QStringLiteral(KORVANE_SIM_PATH), arguments);
    if (!sim.waitForReadyRead(5000))
        return {};
    const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
    const QString prefix = QStringLiteral("korvane-sim: device on ");
    return line.startsWith(prefix) ? line.mid(prefix.size()) : QString();
}

void Terminate(QProcess &sim)
{
    ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

} // namespace

class TestKorvaneSim : public QObject
{
    Q_OBJECT
private slots:
    void answersAHandTypedExchangeAcrossReconnections()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("korvane");
        QProcess sim;
        const QString device = StartSim(sim, {"--trace", "--link", link});
        QVERIFY(device.startsWith("/dev/pts/"));
        QCOMPARE(QFileInfo(link).symLinkTarget(), device);

        for (int connection = 0; connection < 3; ++connection) {
            CSerialPort port;
            QCOMPARE(port.Open(link, "9600", 50), 1);
            QCOMPARE(port.Write("!A\x0F", 3), 3);
            QCOMPARE(port.Write("A\x50", 2), 2);
            QCOMPARE(port.Write("?", 1), 1);
            QCOMPARE(port.Write("a", 1), 1);
            QCOMPARE(port.ReadByte(), 0x5F);
        }
        Terminate(sim);
        QVERIFY(!QFileInfo::exists(link));
        const QString trace = QString::fromLocal8Bit(sim.readAllStandardError());
        QCOMPARE(trace.count("korvane-sim: direction A 0F\n"), 3);
        QCOMPARE(trace.count("korvane-sim: output A 50\n"), 3);
        QCOMPARE(trace.count("korvane-sim: ignored 3F\n"), 3);
        QCOMPARE(trace.count("korvane-sim: read A 5F\n"), 3);
    }

    void inputOptionsShapeTheAnswers()
    {
        QProcess sim;
        const QString device = StartSim(sim, {"--inputs", "B=3c", "--delay", "10"});
        QVERIFY(!device.isEmpty());
        CSerialPort port;
        QCOMPARE(port.Open(device, "9600", 50), 1);
        QElapsedTimer clock;
        clock.start();
        port.Write("b", 1);
        QCOMPARE(port.ReadByte(), 0x3C);
        QVERIFY(clock.elapsed() >= 9);
        port.Close();
        Terminate(sim);
    }

    void walkingInputsChange()
    {
        QProcess sim;
        const QString device = StartSim(sim, {"--walk", "20"});
        CSerialPort port;
        QCOMPARE(port.Open(device, "9600", 50), 1);
        port.Write("b", 1);
        const int first = port.ReadByte();
        QTest::qWait(60);
        port.Write("b", 1);
        QVERIFY(port.ReadByte() != first);
        port.Close();
        Terminate(sim);
    }

    void rejectsBadOptions()
    {
        QProcess sim;
        sim.start(QStringLiteral(KORVANE_SIM_PATH), {"--inputs", "Q=1"});
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(sim.readAllStandardError().contains("usage"));
    }
};

QTEST_GUILESS_MAIN(TestKorvaneSim)
#include "test_korvane_sim.moc"
