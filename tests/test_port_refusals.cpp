#include "device/port_name.h"
#include "pty_device.h"
#include "tester_fixture.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The first argument that makes this program the unprivileged side of a test:
// it opens each device named after it and prints the result and reason.
constexpr char kOpenEach[] = "--open-each";

const QString kNotSerial = QStringLiteral("That is not a serial port.");

int Open(CSerialPort &port, const QString &device)
{
    return port.Open(device, "9600", 50);
}

QString Reason(const CSerialPort &port)
{
    return OpenFailureSentence(port.LastOpenFailure());
}

QString InUseBy(qint64 pid)
{
    return QStringLiteral("It is in use by another program (PID %1).").arg(pid);
}

// The lock file Qt programs take for a device under /dev.
QString QtLockFile(const QString &device)
{
    return QStringLiteral("/var/lock/LCK..") + device.mid(5).replace(u'/', u'_');
}

// The lock file as the tester names it, in the folder that /var/lock leads to.
QString InLockFolder(const QString &lockFile)
{
    return QFileInfo(QStringLiteral("/var/lock")).canonicalFilePath() + u'/' + QFileInfo(lockFile).fileName();
}

// A lock file written as another program would, an hour old.
void WriteLock(const QString &path, const QByteArray &content)
{
    QFile lock(path);
    QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(content);
    QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
}

// Whether the kernel saw anything in a folder being opened.
class OpenWatch
{
public:
    explicit OpenWatch(const QString &folder) : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_OPEN);
    }
    ~OpenWatch() { ::close(m_fd); }
    bool AnythingOpened() const
    {
        char events[4096];
        return ::read(m_fd, events, sizeof events) > 0;
    }

private:
    int m_fd;
};

} // namespace

class TestPortRefusals : public QObject
{
    Q_OBJECT
private slots:
    void onlySerialTerminalsAreOpened()
    {
        PtyDevice device;
        QTemporaryDir dir;
        QStringList refused = {QStringLiteral("/dev/ptmx"), QStringLiteral("/dev/tty"), QStringLiteral("/dev/console"),
                               QStringLiteral("/dev/tty0"), *PortDeviceName("ptmx"),
                               *PortDeviceName("../../dev/ptmx")};
        // Nodes of this test's own, so that the kernel tells whether they were opened.
        const std::pair<const char *, dev_t> nodes[] = {{"ptmx", makedev(5, 2)}, {"tty", makedev(5, 0)},
                                                       {"console", makedev(5, 1)}, {"tty1", makedev(4, 1)},
                                                       {"null", makedev(1, 3)}};
        for (const auto &[name, number] : nodes) {
            const QString node = dir.filePath(name);
            if (::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0666, number) == 0)
                refused << node;
        }
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0666) == 0);
        QFile(dir.filePath("file")).open(QIODevice::WriteOnly);
        QFile::link(dir.filePath("ptmx"), dir.filePath("link"));
        refused << dir.filePath("fifo") << dir.filePath("file") << dir.path() << dir.filePath("link");
        // Cut at the NUL, the name would be the terminal's.
        refused << device.path + QChar(0) + u'x' << device.path + u'\x1b';

        const OpenWatch watch(dir.path());
        CSerialPort port;
        for (const QString &name : refused) {
            QCOMPARE(Open(port, name), -1);
            QVERIFY2(Reason(port) == kNotSerial, qPrintable(name));
        }
        QVERIFY(!watch.AnythingOpened());
        QCOMPARE(Open(port, QStringLiteral("/dev/korvane-missing")), -1);
        QCOMPARE(Reason(port), QStringLiteral("No such port."));
        for (const QString &text : {device.path + QChar(0), QStringLiteral("\t") + device.path})
            QVERIFY(!PortDeviceName(text));
        QCOMPARE(Open(port, device.path), 1);
    }

    void otherProgramsLockFilesAreHonouredAndLeftAlone()
    {
        PtyDevice device;
        const QString qtLock = QtLockFile(device.path);
        const QString uucpLock = QStringLiteral("/var/lock/LCK..") + device.path.section(u'/', -1);
        const auto removeLocks = qScopeGuard([&] {
            QFile::remove(qtLock);
            QFile::remove(uucpLock);
        });
        const qint64 pid = QCoreApplication::applicationPid();
        const QByteArray decimal = QByteArray::number(pid);
        const qint32 binary = static_cast<qint32>(pid);
        const QByteArray ended = "2147483646";
        const QString stale = QStringLiteral("Its lock file %1 names no running program; remove it if the port is free.");
        const std::tuple<QString, QByteArray, QString> locks[] = {
            {qtLock, decimal.rightJustified(10, ' ') + '\n', InUseBy(pid)},
            {uucpLock, decimal + '\n', InUseBy(pid)},
            {qtLock, decimal + "\nminicom\nhost\n", InUseBy(pid)},
            {uucpLock, QByteArray(reinterpret_cast<const char *>(&binary), sizeof binary), InUseBy(pid)},
            {qtLock, ended.rightJustified(10, ' ') + '\n', stale.arg(InLockFolder(qtLock))},
            {uucpLock, "?", stale.arg(InLockFolder(uucpLock))},
        };
        CSerialPort port;
        for (const auto &[path, content, reason] : locks) {
            WriteLock(path, content);
            const QDateTime written = QFileInfo(path).lastModified();
            QCOMPARE(Open(port, device.path), -1);
            QCOMPARE(Reason(port), reason);
            QFile lock(path);
            QVERIFY(lock.open(QIODevice::ReadOnly));
            QCOMPARE(lock.readAll(), content);
            QCOMPARE(QFileInfo(path).lastModified(), written);
            QVERIFY(lock.remove());
        }
        // A lock this program left behind when it ended is taken over.
        WriteLock(qtLock, ended + '\n' + QCoreApplication::applicationName().toUtf8() + '\n');
        QCOMPARE(Open(port, device.path), 1);
        port.Close();
        QVERIFY(!QFile::exists(qtLock));
    }

    void anOpenPortIsFlockedAndAFlockedPortIsRefused()
    {
        PtyDevice device;
        const int other = ::open(QFile::encodeName(device.path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(other >= 0);
        CSerialPort port;
        QCOMPARE(Open(port, device.path), 1);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), -1);
        port.Close();
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        QCOMPARE(Open(port, device.path), -1);
        QCOMPARE(Reason(port), InUseBy(QCoreApplication::applicationPid()));
        QVERIFY(!QFile::exists(QtLockFile(device.path)));
        ::close(other);
        QCOMPARE(Open(port, device.path), 1);
    }

    void reasonsForAnUnprivilegedUser()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to make devices another user may not use");
        PtyDevice forGroup;
        PtyDevice locked;
        PtyDevice free;
        const struct group *dialout = ::getgrnam("dialout");
        QVERIFY(dialout);
        QCOMPARE(::chown(QFile::encodeName(forGroup.path).constData(), 0, dialout->gr_gid), 0);
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
                 QStringLiteral("-1 Permission denied: join the group dialout and log in again.\n-1 %1\n1 \n")
                     .arg(InUseBy(pid)));
    }

    void theStatusLineTellsWhyCutToFit()
    {
        TesterFixture t;
        t.Connect(QStringLiteral("ptmx"));
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection failed. ") + kNotSerial);

        CSerialPort other;
        QCOMPARE(Open(other, t.DevicePath()), 1);
        t.Connect(t.DevicePath());
        const QString full = QStringLiteral("Connection failed. ") + InUseBy(QCoreApplication::applicationPid());
        QCOMPARE(t.Text(IDC_STATUS), full);
        const auto *status = qobject_cast<QLabel *>(t.Dlg().GetDlgItem(IDC_STATUS));
        QVERIFY2(status->text().endsWith(QStringLiteral("...")), qPrintable(status->text()));
        QVERIFY(full.startsWith(status->text().chopped(3)));
        QVERIFY(status->fontMetrics().horizontalAdvance(status->text()) <= status->contentsRect().width());
        QCOMPARE(status->toolTip(), full);

        other.Close();
        t.Click(IDC_CONNECT);
        QCOMPARE(status->text(), QStringLiteral("Connection successful."));
        QCOMPARE(status->toolTip(), QString());
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], kOpenEach) == 0) {
        QCoreApplication app(argc, argv);
        for (int i = 2; i < argc; ++i) {
            CSerialPort port;
            const int result = Open(port, QString::fromLocal8Bit(argv[i]));
            std::printf("%d %s\n", result, qPrintable(Reason(port)));
        }
        return 0;
    }
    QApplication app(argc, argv);
    TestPortRefusals test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_port_refusals.moc"
