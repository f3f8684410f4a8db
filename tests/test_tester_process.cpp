#include "tester_fixture.h"
#include "ui/closing_signals.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>

namespace {

// Two screens side by side, and windows without frames, as on an X server
// without a window manager.
constexpr char kScreens[] = R"({"windowFrameMargins": false, "screens": [
    {"name": "left", "x": 0, "y": 0, "width": 1000, "height": 800},
    {"name": "right", "x": 1000, "y": 0, "width": 1280, "height": 1024}]})";

QProcessEnvironment Environment(const QString &platform)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    return environment;
}

// Whether the process has put a handler on the signal, as the kernel reports.
bool Catches(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    }
    return false;
}

} // namespace

class TestTesterProcess : public QObject
{
    Q_OBJECT
private slots:
    void signalsEndTheProgramNormally()
    {
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            QProcess tester;
            tester.setProcessEnvironment(Environment(QStringLiteral("offscreen")));
            tester.start(QStringLiteral(KORVANE_PIN_TESTER_PATH), QStringList());
            QVERIFY(tester.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(Catches(tester.processId(), signal), 10000);
            ::kill(static_cast<pid_t>(tester.processId()), signal);
            QVERIFY(tester.waitForFinished(5000));
            QCOMPARE(tester.exitStatus(), QProcess::NormalExit);
            QCOMPARE(tester.exitCode(), 0);
        }
    }

    void aSignalRunsTheClosingOfTheWindow()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        t.Click(IDC_CONTINUOUS);
        const QString lock = QStringLiteral("/var/lock/LCK..") + t.DevicePath().mid(5).replace(u'/', u'_');
        QVERIFY(QFile::exists(lock));
        const ClosingSignals closingSignals(t.Dlg());
        // The help box is open when the signal comes.
        QTimer::singleShot(0, &t.Dlg(), [&t] { QMessageBox::information(&t.Dlg(), QString(), QString()); });
        QTimer::singleShot(300, [] { ::raise(SIGTERM); });
        QCOMPARE(t.Dlg().exec(), int(QDialog::Rejected));
        QVERIFY(!t.Dlg().m_serial.IsOpen() && !t.Dlg().IsPolling());
        QVERIFY(!QFile::exists(lock));
    }

    void withoutADisplayItSaysSoAndEnds()
    {
        QProcess tester;
        tester.setProcessEnvironment(Environment(QStringLiteral("xcb")));
        tester.start(QStringLiteral(KORVANE_PIN_TESTER_PATH), QStringList());
        QVERIFY(tester.waitForFinished(10000));
        QCOMPARE(tester.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tester.exitCode(), 1);
        const QByteArray said = tester.readAllStandardError();
        QCOMPARE(said.count('\n'), 1);
        QVERIFY2(said.contains("needs a graphical session") && said.contains("korvane-sim"), said.constData());
    }

    void theWindowStartsCentredOnThePointersScreen()
    {
        for (const QScreen *screen : QGuiApplication::screens()) {
            const QRect area = screen->availableGeometry();
            QCursor::setPos(area.topLeft() + QPoint(5, 5));
            CPinTesterDlg dlg;
            QRect frame;
            QTimer::singleShot(100, &dlg, [&dlg, &frame] {
                frame = dlg.frameGeometry();
                dlg.reject();
            });
            dlg.DoModal();
            const QPoint offset = frame.center() - area.center();
            QVERIFY2(offset.manhattanLength() <= 1,
                     qPrintable(QStringLiteral("%1 off by %2,%3").arg(screen->name()).arg(offset.x()).arg(offset.y())));
        }
    }
};

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    QFile screens(dir.filePath(QStringLiteral("screens.json")));
    if (!screens.open(QIODevice::WriteOnly) || screens.write(kScreens) < 0)
        qFatal("cannot write the screens");
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    QApplication app(argc, argv);
    TestTesterProcess test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_tester_process.moc"
