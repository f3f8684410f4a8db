#include "device/port_name.h"
#include "device/serial_port.h"
#include "pty_device.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Makes this program the unprivileged side of a test: it opens each device
// named after it and prints what TryOpen tells.
constexpr char kOpenEach[] = "--open-each";

// The result of opening the device and the reason it failed, if it did.
QString TryOpen(const QString &device)
{
    CSerialPort port;
    const int result = port.Open(device, "9600", 50);
    return QStringLiteral("%1 %2").arg(result).arg(OpenFailureSentence(port.LastOpenFailure()));
}

QString InUseBy(qint64 pid)
{
    return QStringLiteral("-1 It is in use by another program (PID %1).").arg(pid);
}

// The lock file Qt programs take for a device under /dev.
QString QtLockFile(const QString &device)
{
    return QFileInfo(QStringLiteral("/var/lock")).canonicalFilePath() + QStringLiteral("/LCK..")
        + device.mid(5).replace(u'/', u'_');
}

void WriteLock(const QString &path, const QByteArray &content)
{
    QFile lock(path);
    QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate) && lock.write(content) == content.size());
}

} // namespace

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
        const std::pair<const char *, dev_t> nodes[] = {{"ptmx", makedev(5, 2)}, {"tty", makedev(5, 0)},
                                                       {"console", makedev(5, 1)}, {"tty1", makedev(4, 1)},
                                                       {"null", makedev(1, 3)}};
        for (const auto &[name, number] : nodes) {
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

    void otherProgramsLockFilesAreHonouredAndLeftAlone()
    {
        PtyDevice device;
        const QString qtLock = QtLockFile(device.path);
        const QString uucpLock = qtLock.section(u'/', 0, -2) + QStringLiteral("/LCK..") + device.path.section(u'/', -1);
        const auto removeLocks = qScopeGuard([&] {
            QFile::remove(qtLock);
            QFile::remove(uucpLock);
        });
        const qint64 pid = QCoreApplication::applicationPid();
        const QByteArray decimal = QByteArray::number(pid);
        const qint32 binary = static_cast<qint32>(pid);
        const QString stale = QStringLiteral("-1 Its lock file %1 names no running program; remove it if the port is free.");
        const std::tuple<QString, QByteArray, QString> locks[] = {
            {qtLock, decimal.rightJustified(10, ' ') + '\n', InUseBy(pid)},
            {uucpLock, decimal + '\n', InUseBy(pid)},
            {qtLock, decimal + "\nminicom\nhost\n", InUseBy(pid)},
            {uucpLock, QByteArray(reinterpret_cast<const char *>(&binary), sizeof binary), InUseBy(pid)},
            {qtLock, "2147483646\n", stale.arg(qtLock)},
            {uucpLock, "?", stale.arg(uucpLock)},
        };
        for (const auto &[path, content, result] : locks) {
            WriteLock(path, content);
            QCOMPARE(TryOpen(device.path), result);
            QFile lock(path);
            QVERIFY(lock.open(QIODevice::ReadOnly));
            QCOMPARE(lock.readAll(), content);
            QVERIFY(lock.remove());
        }
        // A lock this program left when it ended is taken over, and goes with the port.
        WriteLock(qtLock, "2147483646\n" + QCoreApplication::applicationName().toUtf8() + '\n');
        QCOMPARE(TryOpen(device.path), QStringLiteral("1 "));
        QVERIFY(!QFile::exists(qtLock));
    }

    void anOpenPortIsFlockedAndAFlockedPortIsRefused()
    {
        PtyDevice device;
        const int other = ::open(QFile::encodeName(device.path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        CSerialPort port;
        QCOMPARE(port.Open(device.path, "9600", 50), 1);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), -1);
        port.Close();
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        QCOMPARE(TryOpen(device.path), InUseBy(QCoreApplication::applicationPid()));
        ::close(other);
        QCOMPARE(TryOpen(device.path), QStringLiteral("1 "));
    }

    void reasonsForAnUnprivilegedUser()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to make devices another user may not use");
        PtyDevice forGroup, locked, free;
        const struct group *dialout = ::getgrnam("dialout");
        QVERIFY(dialout && ::chown(QFile::encodeName(forGroup.path).constData(), 0, dialout->gr_gid) == 0);
        QCOMPARE(::chmod(QFile::encodeName(forGroup.path).constData(), 0660), 0);
        for (const PtyDevice *open : {&locked, &free})
            QCOMPARE(::chmod(QFile::encodeName(open->path).constData(), 0666), 0);
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
