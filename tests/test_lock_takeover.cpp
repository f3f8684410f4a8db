// A program of this package killed while it holds a port leaves the lock file Qt
// wrote; the next one of them takes it over. The holders are killed with SIGKILL.

#include "device/serial_port.h"
#include "tester_fixture.h"

#include <QApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>

namespace {

// Makes this program hold the port named after it until killed or its input ends.
constexpr char kHold[] = "--hold";

// The PID on a lock file's first line.
qint64 LockPid(const QString &path)
{
    QFile lock(path);
    return lock.open(QIODevice::ReadOnly) ? lock.readLine().trimmed().toLongLong() : 0;
}

} // namespace

class TestLockTakeover : public QObject
{
    Q_OBJECT
private slots:
    // Taken over by this package's programs when one of them held it, and by
    // this test when a copy of it did; another program's is left alone.
    void lockOfAKilledHolder_data()
    {
        QTest::addColumn<bool>("cliHolds");
        QTest::addColumn<bool>("cliFollows");
        QTest::newRow("korvane-cli, then korvane-cli") << true << true;
        QTest::newRow("korvane-cli, then the window") << true << false;
        QTest::newRow("this test, then the window") << false << false;
        QTest::newRow("this test, then korvane-cli") << false << true;
    }

    void lockOfAKilledHolder()
    {
        QFETCH(bool, cliHolds);
        QFETCH(bool, cliFollows);
        TesterFixture t;
        const QString device = t.DevicePath();
        const QString lock = QtLockFile(device);
        const QTemporaryDir stateHome;  // for korvane-cli's remembered states
        qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome.path()));

        QProcess holding;
        qint64 pid = 0;
        const auto removeLeftOver = qScopeGuard([&] {
            holding.kill();
            holding.waitForFinished(5000);
            if (pid > 0 && LockPid(lock) == pid)
                QFile::remove(lock);
        });
        holding.start(cliHolds ? QStringLiteral(KORVANE_CLI_PATH) : QCoreApplication::applicationFilePath(),
                      cliHolds ? QStringList{"-p", device, "watch"} : QStringList{kHold, device});
        QVERIFY(holding.waitForStarted());
        pid = holding.processId();
        QTRY_COMPARE_WITH_TIMEOUT(LockPid(lock), pid, 15000);
        QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
        QVERIFY(holding.waitForFinished(5000));
        QCOMPARE(LockPid(lock), pid);

        if (cliFollows) {
            QProcess cli;
            cli.start(QStringLiteral(KORVANE_CLI_PATH), {"-p", device, "read"});
            QVERIFY(cli.waitForFinished(30000));
            // A lock of a program outside this package is another's to remove.
            const QString refused = QStringLiteral("korvane-cli: %1: Connection failed. Its lock file %2 names no running "
                                                   "program; remove it if the port is free.\n").arg(device, lock);
            QCOMPARE(QString::fromUtf8(cli.readAllStandardError()), cliHolds ? QString() : refused);
            QCOMPARE(cli.exitCode(), cliHolds ? 0 : 3);
            QCOMPARE(cli.readAllStandardOutput().startsWith("A="), cliHolds);
            QCOMPARE(QFile::exists(lock), !cliHolds);
            QCOMPARE(LockPid(lock), cliHolds ? 0 : pid);
        } else {
            t.Connect(device);
            QTRY_COMPARE_WITH_TIMEOUT(t.Text(IDC_STATUS), QStringLiteral("Connection successful."), 5000);
            QCOMPARE(LockPid(lock), QCoreApplication::applicationPid());
        }
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], kHold) == 0) {
        QCoreApplication app(argc, argv);
        CSerialPort port;
        port.Open(QString::fromLocal8Bit(argv[2]), "9600", 50);
        std::getchar();
        return 0;
    }
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestLockTakeover test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_lock_takeover.moc"
