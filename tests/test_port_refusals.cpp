#include "device/port_locks.h"
#include "device/port_name.h"
#include "device/serial_port.h"
#include "left_over_locks.h"
#include "pty_device.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <ctime>
#include <fcntl.h>
#include <grp.h>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utime.h>

// Makes this program the unprivileged side of a test: it opens each device
// named after it and prints what TryOpen tells.
constexpr char kOpenEach[] = "--open-each";

// The result of opening the device and the reason it failed, if it did.
static QString TryOpen(const QString &device)
{
    CSerialPort port;
    const int result = port.Open(device, "9600", 50);
    return QStringLiteral("%1 %2").arg(result).arg(OpenFailureSentence(port.LastOpenFailure()));
}

static QString InUseBy(qint64 pid)
{
    return QStringLiteral("-1 It is in use by another program (PID %1).").arg(pid);
}

static void WriteLock(const QString &path, const QByteArray &content)
{
    QFile lock(path);
    QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate) && lock.write(content) == content.size());
}

// The rules of lock contents apart from the system: this path, a running PID.
constexpr qint64 kRunningPid = 4242;

const QString kLock = QStringLiteral("/var/lock/LCK..ttyUSB0");

class TestPortRefusals : public QObject
{
    Q_OBJECT
private slots:
    void onlySerialTerminalsAreOpened()
    {
        PtyDevice device;
        QTemporaryDir dir;
        QStringList refused = {"/dev/ptmx", "/dev/tty", "/dev/console", "/dev/tty0", *PortDeviceName("ptmx"),
                               *PortDeviceName("../../dev/ptmx"), dir.path(), dir.filePath("fifo"),
                               dir.filePath("file"), dir.filePath("link"),
                               // Cut at the NUL, the name would be the terminal's.
                               device.path + QChar(0) + u'x', device.path + u'\x1b'};
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0666) == 0);
        QVERIFY(QFile(dir.filePath("file")).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(QStringLiteral("/dev/ptmx"), dir.filePath("link")));
        // Nodes of this test's own, so that the kernel tells whether anything opened them.
        for (const auto &[name, number] : {std::pair{"ptmx", makedev(5, 2)}, {"tty", makedev(5, 0)},
                                           {"console", makedev(5, 1)}, {"tty1", makedev(4, 1)}, {"null", makedev(1, 3)}}) {
            if (::mknod(QFile::encodeName(dir.filePath(name)).constData(), S_IFCHR | 0666, number) == 0)
                refused << dir.filePath(name);
        }
        const int opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(::inotify_add_watch(opens, QFile::encodeName(dir.path()).constData(), IN_OPEN) >= 0);
        for (const QString &name : refused)
            QVERIFY2(TryOpen(name) == "-1 That is not a serial port.", qPrintable(name));
        char event[4096];
        QCOMPARE(::read(opens, event, sizeof event), ssize_t(-1));
        ::close(opens);

        QCOMPARE(TryOpen(QStringLiteral("/dev/korvane-missing")), QStringLiteral("-1 No such port."));
        QVERIFY(!PortDeviceName(device.path + QChar(0)) && !PortDeviceName(u'\t' + device.path));
        QCOMPARE(TryOpen(device.path), QStringLiteral("1 "));
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
        const std::optional<OpenFailure> refusal =
            RefusalOfLockContent(content, ageSeconds, kLock, [](qint64 pid) { return pid == kRunningPid; });
        QCOMPARE(refusal ? OpenFailureSentence(*refusal) : QStringLiteral("free"), verdict);
    }

    // Either name is looked at, the age comes from the disk, the PID from the running
    // processes; a FIFO or link neither blocks nor is followed; nothing is changed.
    void lockFilesOnDisk_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("uucpName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<QString>("said"); // {lock} stands for the lock's path
        const qint64 pid = QCoreApplication::applicationPid();
        const qint32 binaryPid = static_cast<qint32>(pid);
        const QString stale = "Its lock file {lock} names no running program; remove it if the port is free.";
        const QString notAFile = "Its lock file {lock} is not a regular file.";
        QTest::newRow("empty, just made") << "file" << false << QByteArray() << 0 << "It is in use by another program.";
        QTest::newRow("empty, long ago") << "file" << false << QByteArray() << 60 << stale;
        QTest::newRow("binary PID, UUCP name") << "file" << true << QByteArray(reinterpret_cast<const char *>(&binaryPid), 4)
                                               << 0 << InUseBy(pid).mid(3);
        QTest::newRow("dead PID") << "file" << false << QByteArray("2147483646\n") << 0 << stale;
        QTest::newRow("FIFO") << "FIFO" << false << QByteArray() << 0 << notAFile;
        QTest::newRow("link to a lock of a running program") << "link" << false << QByteArray::number(pid) + '\n' << 0
                                                             << notAFile;
    }

    void lockFilesOnDisk()
    {
        QFETCH(QString, kind);
        QFETCH(bool, uucpName);
        QFETCH(QByteArray, content);
        QFETCH(int, ageSeconds);
        QFETCH(QString, said);
        PtyDevice device;
        QTemporaryDir dir;
        // The UUCP name is the one of the last part of the device's path.
        const QString path = QtLockFile(uucpName ? "/dev/" + device.path.section(u'/', -1) : device.path);
        const QString written = kind == "link" ? dir.filePath("lock") : path;
        const QByteArray name = QFile::encodeName(path);
        const auto removeLock = qScopeGuard([&] { QFile::remove(path); });
        if (kind == "FIFO")
            QCOMPARE(::mkfifo(name.constData(), 0666), 0);
        else
            WriteLock(written, content);
        if (kind == "link")
            QVERIFY(QFile::link(written, path));
        const time_t madeAt = std::time(nullptr) - ageSeconds;
        const struct utimbuf times{madeAt, madeAt};
        QCOMPARE(::utime(name.constData(), &times), 0);
        struct stat made{};
        QCOMPARE(::lstat(name.constData(), &made), 0);

        // The open runs on a thread of its own, so that one that blocks fails the test
        // rather than hanging it; a writer on the FIFO then lets it go.
        QString result;
        const std::unique_ptr<QThread> opening(QThread::create([&] { result = TryOpen(device.path); }));
        opening->start();
        const bool quick = opening->wait(QDeadlineTimer(2000));
        if (!quick)
            ::close(::open(name.constData(), O_WRONLY | O_NONBLOCK));
        opening->wait();
        QVERIFY2(quick, "the open did not return within 2 s");
        QCOMPARE(result, "-1 " + said.replace("{lock}", path));
        struct stat after{};
        QCOMPARE(::lstat(name.constData(), &after), 0);
        QVERIFY2(after.st_mode == made.st_mode && after.st_ino == made.st_ino && after.st_mtim.tv_sec == made.st_mtim.tv_sec,
                 "the lock was changed");
        QFile lock(written);
        QVERIFY(kind == "FIFO" || (lock.open(QIODevice::ReadOnly) && lock.readAll() == content));
    }

    // One holder at a time, by a flock other programs honour too; a closed or destroyed port is given back.
    void anOpenPortIsFlockedAndAFlockedPortIsRefused()
    {
        PtyDevice device;
        const int other = ::open(QFile::encodeName(device.path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        CSerialPort port;
        QCOMPARE(port.Open(device.path, "9600", 50), 1);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), -1);
        QCOMPARE(TryOpen(device.path), InUseBy(QCoreApplication::applicationPid()));
        port.Close();
        QCOMPARE(port.Write("a", 1), -1);
        QCOMPARE(port.ReadByte(), 0xFF);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        QCOMPARE(TryOpen(device.path), InUseBy(QCoreApplication::applicationPid()));
        ::close(other);
        QCOMPARE(TryOpen(device.path) + TryOpen(device.path), QStringLiteral("1 1 "));
    }

    void reasonsForAnUnprivilegedUser()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to make devices another user may not use");
        PtyDevice forGroup, locked, free;
        const struct group *dialout = ::getgrnam("dialout");
        QVERIFY(dialout && ::chown(QFile::encodeName(forGroup.path).constData(), 0, dialout->gr_gid) == 0);
        for (const auto &[device, mode] : {std::pair{&forGroup, 0660}, {&locked, 0666}, {&free, 0666}})
            QCOMPARE(::chmod(QFile::encodeName(device->path).constData(), mode), 0);
        // A lock naming a process of root's, which the user may not even signal.
        const qint64 pid = QCoreApplication::applicationPid();
        WriteLock(QtLockFile(locked.path), QByteArray::number(pid).rightJustified(10, ' ') + '\n');
        const auto removeLock = qScopeGuard([&] { QFile::remove(QtLockFile(locked.path)); });

        QProcess user;
        user.start(QStringLiteral("setpriv"), {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                               QCoreApplication::applicationFilePath(), kOpenEach, forGroup.path,
                                               locked.path, free.path});
        QVERIFY(user.waitForFinished(10000));
        QCOMPARE(user.readAllStandardError(), QByteArray());
        QCOMPARE(QString::fromUtf8(user.readAllStandardOutput()),
                 QStringLiteral("-1 Permission denied: join the group dialout and log in again.\n%1\n1 \n")
                     .arg(InUseBy(pid)));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], kOpenEach) == 0) {
        for (int i = 2; i < argc; ++i)
            std::printf("%s\n", qPrintable(TryOpen(QString::fromLocal8Bit(argv[i]))));
        return 0;
    }
    TestPortRefusals test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_port_refusals.moc"
