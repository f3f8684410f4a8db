// The rules of lock files apart from the system: which names a device's lock
// goes by, and what each content and age of a lock file says against opening
// the device. The system's side is in test_port_refusals.

#include "device/port_locks.h"

#include <QTest>

namespace {

constexpr qint64 kRunningPid = 4242;

const QString kLock = QStringLiteral("/var/lock/LCK..ttyUSB0");

// What a lock file says, as the tester tells the user.
QString Verdict(const QByteArray &content, qint64 ageSeconds)
{
    const std::optional<OpenFailure> refusal =
        RefusalOfLockContent(content, ageSeconds, kLock, [](qint64 pid) { return pid == kRunningPid; });
    return refusal ? OpenFailureSentence(*refusal) : QStringLiteral("free");
}

} // namespace

class TestLockRules : public QObject
{
    Q_OBJECT
private slots:
    void lockFileNames()
    {
        QCOMPARE(LockFileNames("/dev/ttyUSB0"), QStringList{"LCK..ttyUSB0"});
        QCOMPARE(LockFileNames("/dev/pts/7"), (QStringList{"LCK..pts_7", "LCK..7"}));
        QCOMPARE(LockFileNames("/tmp/korvane-device"), (QStringList{"LCK.._tmp_korvane-device", "LCK..korvane-device"}));
    }

    void lockContent_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<QString>("verdict");

        const QString inUse = QStringLiteral("It is in use by another program.");
        const QString inUseByRunning = QStringLiteral("It is in use by another program (PID %1).").arg(kRunningPid);
        const QString stale = QStringLiteral("Its lock file %1 names no running program; remove it if the port is free.")
                                  .arg(kLock);
        const qint32 binaryPid = kRunningPid;
        QTest::newRow("binary PID") << QByteArray(reinterpret_cast<const char *>(&binaryPid), 4) << 60
                                    << inUseByRunning;
        QTest::newRow("padded decimal") << QByteArray("      4242\n") << 60 << inUseByRunning;
        QTest::newRow("decimal, then Qt's lines") << QByteArray("4242\nminicom\nhost\n") << 60 << inUseByRunning;
        QTest::newRow("being written, clock behind") << QByteArray("    ") << -3 << inUse;
        QTest::newRow("empty, clock far behind") << QByteArray() << -60 << stale;
        QTest::newRow("ended korvane-cli") << QByteArray("4243\nkorvane-cli\nhost\n") << 0 << "free";
        QTest::newRow("ended tester") << QByteArray("4243\nkorvane-pin-tester\nhost\n") << 60 << "free";
        QTest::newRow("ended other Qt program") << QByteArray("4243\nminicom\nhost\n") << 0 << stale;
        QTest::newRow("own program's name, no PID") << QByteArray("\nkorvane-cli\nhost\n") << 60 << stale;
        QTest::newRow("negative binary PID") << QByteArray("\xff\xff\xff\xff", 4) << 0 << stale;
    }

    void lockContent()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, ageSeconds);
        QFETCH(QString, verdict);
        QCOMPARE(Verdict(content, ageSeconds), verdict);
    }
};

QTEST_GUILESS_MAIN(TestLockRules)
#include "test_lock_rules.moc"
