#include "machine_lateness.h"
#include "tester_fixture.h"
#include "dialog_layer/state_button.h"

#include <QElapsedTimer>
#include <QLabel>

const QByteArray kStartState = Hex("2141ff2142ff2143ff" "410042004300");

// A control's accessible name, when its tooltip says the same.
static QString Described(TesterFixture &t, int id)
{
    const QWidget *control = t.Dlg().GetDlgItem(id);
    return control->toolTip() == control->accessibleName() ? control->accessibleName() : QStringLiteral("differs");
}

class TestActions : public QObject
{
    Q_OBJECT
private slots:
    // Polls by hand and by the timer, and each action's bytes, on the line a real
    // device needs: 9600 baud, 8N1, no flow control, bytes passed as they are.
    void bytesOnTheWire()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
        const auto sent = [&](int count) {
            const QByteArray wire = t.Wire(count);
            t.ClearWire();
            return wire;
        };
        QCOMPARE(sent(15), kStartState);
        for (auto [port, levels] : {std::pair{0, 0x05}, {1, 0x7F}, {2, 0x80}})
            t.Device().SetInputs(port, static_cast<std::uint8_t>(levels));
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(t.Wire(3), QByteArray("abc"));
        QCOMPARE(t.Text(IDC_INHEX_A) + ' ' + t.Text(IDC_INHEX_B) + t.Text(IDC_INHEX_C), "5 7F80");
        QCOMPARE(t.Text(StateButtonId(0, 2)) + t.Text(StateButtonId(0, 1)) + t.Text(StateButtonId(0, 0)), "101");

        // Equal answers below 0x80 redraw no button, answers of 0x80 and above
        // redraw every time; the input fields are always rewritten.
        for (int P = 0; P < 3; ++P)
            SetControlText(t.Dlg().GetDlgItem(StateButtonId(P, 0)), "x");
        SetControlText(t.Dlg().GetDlgItem(IDC_INHEX_A), "ZZ");
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(t.Text(StateButtonId(0, 0)) + t.Text(StateButtonId(1, 0)) + t.Text(StateButtonId(2, 0)), "xx0");
        QCOMPARE(t.Text(IDC_INHEX_A), QStringLiteral("5"));

        // Continuous polling asks about every 100 ms, and stops when unticked.
        t.ClearWire();
        t.Click(IDC_CONTINUOUS);
        QTest::qWait(1000);
        const qsizetype asked = t.Wire().count('a');
        QVERIFY2(asked >= 8 && asked <= 11, qPrintable(QString::number(asked)));
        t.Click(IDC_CONTINUOUS);
        t.ClearWire();
        QTest::qWait(250);
        QCOMPARE(t.Wire(), QByteArray());

        t.Click(DirectionButtonId(2, 5));
        QCOMPARE(sent(9), Hex("2141ff2142ff2143df"));
        t.Click(StateButtonId(1, 2));
        QCOMPARE(sent(6), Hex("410042044300"));
        t.TypeOver(IDC_OUTHEX_A, "5a");
        QCOMPARE(sent(12), Hex("410542044300" "415a42044300"));
        t.TypeOver(IDC_DIRHEX_B, "0");
        QCOMPARE(sent(9), Hex("2141ff2142002143df"));

        const termios line = t.Device().LineSettings();
        QCOMPARE(cfgetispeed(&line), speed_t(B9600));
        QCOMPARE(cfgetospeed(&line), speed_t(B9600));
        QCOMPARE(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CREAD), tcflag_t(CS8 | CREAD));
        QCOMPARE(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK | INPCK), tcflag_t(0));
        QCOMPARE(line.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    }

    // The start reads all pins high with sunken state buttons, flat once the pin is made an input.
    // Without a connection nothing is sent and polls change nothing that shows; the next connect
    // sends the whole state, and its first poll replaces the template's captions whatever it reads.
    // Names and tooltips follow the state through clicks and polls.
    void beforeTheFirstConnection()
    {
        TesterFixture t;
        QCOMPARE(Described(t, DirectionButtonId(1, 3)) + " / " + Described(t, StateButtonId(1, 3)) + " / "
                     + Described(t, IDC_DIRHEX_A) + " / " + Described(t, IDC_INHEX_C) + " / " + Described(t, IDC_OUTHEX_B),
                 "Port B pin 3 direction: input / Port B pin 3 state: not read yet / Port A directions (hexadecimal)"
                 " / Port C inputs (hexadecimal) / Port B outputs (hexadecimal)");
        t.Click(DirectionButtonId(1, 3));
        t.Click(DirectionButtonId(1, 3));
        QCOMPARE(t.Text(DirectionButtonId(1, 3)) + t.Text(StateButtonId(1, 3)) + t.Text(StateButtonId(1, 4)), "I1O");
        const auto look = [&](int n) { return qobject_cast<StateButton *>(t.Dlg().GetDlgItem(StateButtonId(1, n)))->look(); };
        QVERIFY(look(3) == StateButton::Look::Flat && look(4) == StateButton::Look::Sunken);
        t.Click(DirectionButtonId(0, 1));
        t.Click(StateButtonId(0, 0));
        t.TypeOver(IDC_DIRHEX_C, "12");
        t.TypeOver(IDC_OUTHEX_B, "34");
        const auto shown = [&] {
            QStringList texts;
            for (const ControlTemplate &control : PinTesterDialogTemplate().controls)
                texts << t.Text(control.id);
            return texts;
        };
        const QStringList before = shown();
        t.Click(IDC_POLL_ONCE);
        t.Click(IDC_CONTINUOUS);
        QTest::qWait(250);
        t.Click(IDC_CONTINUOUS);
        QCOMPARE(shown(), before);
        QCOMPARE(t.Wire(), QByteArray());
        for (int port = 0; port < 3; ++port)
            t.Device().SetInputs(port, 0x00);
        t.Connect(t.DevicePath());
        QCOMPARE(t.Wire(15), Hex("2141fd2142ff214312" "410142344300"));
        t.PollOnce();
        QCOMPARE(t.Text(IDC_INHEX_B), QStringLiteral("0"));
        for (int n = 0; n < 8; ++n)
            QCOMPARE(t.Text(StateButtonId(1, n)) + t.Text(DirectionButtonId(1, n)), "0I");
        QCOMPARE(Described(t, DirectionButtonId(0, 1)) + " / " + Described(t, StateButtonId(0, 1)) + " / "
                     + Described(t, StateButtonId(0, 0)),
                 "Port A pin 1 direction: output / Port A pin 1 state: 0 / Port A pin 0 state: 0");
    }

    void connecting()
    {
        TesterFixture t;
        // Connecting again closes the old port first, or the exclusive open would fail.
        t.Connect(t.DevicePath());
        t.Click(IDC_CONNECT);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
        QCOMPARE(t.Wire(30), kStartState + kStartState);
        t.Connect("/dev/korvane-none");
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection failed. No such port."));
        // Held by another program: the status line cuts with "...", its tooltip shows all.
        CSerialPort other;
        QCOMPARE(other.Open(t.DevicePath(), "9600", 50), 1);
        t.Connect(t.DevicePath());
        const QString inUse = QStringLiteral("Connection failed. It is in use by another program (PID %1).")
                                  .arg(QCoreApplication::applicationPid());
        QCOMPARE(t.Text(IDC_STATUS), inUse);
        const auto *status = qobject_cast<QLabel *>(t.Dlg().GetDlgItem(IDC_STATUS));
        QVERIFY(status->text().endsWith("...") && inUse.startsWith(status->text().chopped(3)));
        QVERIFY(status->fontMetrics().horizontalAdvance(status->text()) <= status->contentsRect().width());
        QCOMPARE(status->toolTip(), inUse);
    }

    // A stalled line holds each action about one write time-out; unsent commands are dropped.
    void aStalledLine()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        t.Wire(15);
        t.Device().SuspendLine(true);
        const qint64 margin = 4 * MachineLatenessMs();
        for (int id : {DirectionButtonId(1, 2), IDC_CONNECT, IDC_POLL_ONCE}) {
            QElapsedTimer clock;
            clock.start();
            t.Click(id);
            QVERIFY2(clock.elapsed() >= 900 && clock.elapsed() < 1500 + margin,
                     qPrintable(QString("%1 ms (margin %2)").arg(clock.elapsed()).arg(margin)));
        }
        t.Click(IDC_CONNECT);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Device not accepting data."));
        t.ClearWire();
        t.Device().SuspendLine(false);
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
        QCOMPARE(t.Wire(3), QByteArray("abc"));
    }

    // OK and Esc both stop the ticks and give the port back.
    void closing()
    {
        for (bool byOK : {true, false}) {
            TesterFixture t;
            t.Connect(t.DevicePath());
            t.Click(IDC_CONTINUOUS);
            if (byOK)
                t.Click(IDOK);
            else
                QTest::keyClick(t.Dlg().GetDlgItem(IDC_COMPORT), Qt::Key_Escape);
            QVERIFY(!t.Dlg().isVisible() && !t.Dlg().IsPolling() && !t.Dlg().m_serial.IsOpen());
            CSerialPort other;
            QCOMPARE(other.Open(t.DevicePath(), "9600", 50), 1);
            t.ClearWire();
            QTest::qWait(150);
            QCOMPARE(t.Wire(), QByteArray());
        }
    }
};

QTEST_MAIN(TestActions)
#include "test_actions.moc"
