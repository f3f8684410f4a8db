#include "tester_fixture.h"
#include "ui/closing_signals.h"

#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include <csignal>

namespace {

// The tester program on the given window system, without any display.
void Start(QProcess &tester, const QString &platform)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    tester.setProcessEnvironment(environment);
    tester.start(QStringLiteral(KORVANE_PIN_TESTER_PATH), QStringList());
}

// Whether the process has put a handler on the signal, as the kernel tells.
bool Catches(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const qsizetype at = text.indexOf("SigCgt:");
    return at >= 0 && (text.mid(at + 7, 18).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
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
            Start(tester, QStringLiteral("offscreen"));
            // Until then the process is still a copy of this one, handlers included.
            QVERIFY(tester.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(Catches(tester.processId(), signal), 10000);
            ::kill(static_cast<pid_t>(tester.processId()), signal);
            QVERIFY2(tester.waitForFinished(5000) && tester.exitStatus() == QProcess::NormalExit && tester.exitCode() == 0,
                     qPrintable(QStringLiteral("signal %1: status %2").arg(signal).arg(tester.exitCode())));
        }
    }

    void aSignalRunsTheClosingOfTheWindow()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        t.Click(IDC_CONTINUOUS);
        const QString lock = QtLockFile(t.DevicePath());
        QVERIFY(QFile::exists(lock));
        const ClosingSignals closingSignals(t.Dlg());
        // The help box is open when the signal comes.
        QTimer::singleShot(0, &t.Dlg(), [&t] { QMessageBox::information(&t.Dlg(), QString(), QString()); });
        QTimer::singleShot(300, [] { ::raise(SIGTERM); });
        QCOMPARE(t.Dlg().exec(), int(QDialog::Rejected));
        QVERIFY(!t.Dlg().m_serial.IsOpen() && !t.Dlg().IsPolling() && !QFile::exists(lock));
    }

    void withoutADisplayItSaysSoAndEnds()
    {
        QProcess tester;
        Start(tester, QStringLiteral("xcb"));
        QVERIFY(tester.waitForFinished(10000) && tester.exitStatus() == QProcess::NormalExit);
        QCOMPARE(tester.exitCode(), 1);
        const QByteArray said = tester.readAllStandardError();
        QVERIFY2(said.count('\n') == 1 && said.contains("needs a graphical session") && said.contains("korvane-sim"), said.constData());
    }

    // The screens are set in two_screens.json: windows there have no frame, as
    // on an X server without a window manager.
    void theWindowStartsCentredOnThePointersScreen()
    {
        QCOMPARE(QGuiApplication::screens().size(), 2);
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
            QVERIFY2(offset.manhattanLength() <= 1, qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
        }
    }
};

QTEST_MAIN(TestTesterProcess)
#include "test_tester_process.moc"
