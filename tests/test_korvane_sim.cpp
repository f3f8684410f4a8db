#include "device/serial_port.h"
#include "sim_process.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

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
            QCOMPARE(port.Write("A\x50?a", 4), 4);
            QCOMPARE(port.ReadByte(), 0x5F);
        }
        ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link));
        const QString trace = QString::fromLocal8Bit(sim.readAllStandardError());
        for (const char *line : {"direction A 0F\n", "output A 50\n", "ignored 3F\n", "read A 5F\n"})
            QCOMPARE(trace.count(QStringLiteral("korvane-sim: ") + line), 3);
    }
};

QTEST_GUILESS_MAIN(TestKorvaneSim)
#include "test_korvane_sim.moc"
