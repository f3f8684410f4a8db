#include "tester_fixture.h"

#include <QLabel>

namespace {

const QByteArray kStartState = Hex("2141ff2142ff2143ff" "410042004300");

// A control's accessible name, when its tooltip says the same.
QString Described(TesterFixture &t, int id)
{
    const QWidget *control = t.Dlg().GetDlgItem(id);
    return control->toolTip() == control->accessibleName() ? control->accessibleName() : QStringLiteral("differs");
}

} // namespace

class TestActions : public QObject
{
    Q_OBJECT
private slots:
    // Each action sends what the device needs, on a line as a real device
    // needs it: 9600 baud, 8 data bits, no parity, one stop bit, no flow
    // control, and bytes passed as they are.
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
        t.Click(DirectionButtonId(2, 5));
        QCOMPARE(sent(9), Hex("2141ff2142ff2143df"));
        t.Click(StateButtonId(1, 2));
        QCOMPARE(sent(6), Hex("410042044300"));
        t.TypeOver(IDC_OUTHEX_A, "5a");
        QCOMPARE(sent(12), Hex("410542044300" "415a42044300"));
        t.TypeOver(IDC_DIRHEX_B, "0");
        QCOMPARE(t.Wire(9), Hex("2141ff2142002143df"));

        const termios line = t.Device().LineSettings();
        QCOMPARE(cfgetispeed(&line), speed_t(B9600));
        QCOMPARE(cfgetospeed(&line), speed_t(B9600));
        QCOMPARE(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CREAD), tcflag_t(CS8 | CREAD));
        QCOMPARE(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK | INPCK), tcflag_t(0));
        QCOMPARE(line.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    }

    void nothingIsSentWithoutAConnection()
    {
        TesterFixture t;
        t.Click(DirectionButtonId(0, 1));
        t.Click(StateButtonId(0, 0));
        t.TypeOver(IDC_DIRHEX_C, "12");
        t.TypeOver(IDC_OUTHEX_B, "34");
        // A poll, by hand or by the timer, changes nothing that shows.
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
        // The next connect sends the whole state.
        t.Connect(t.DevicePath());
        QCOMPARE(t.Wire(15), Hex("2141fd2142ff214312" "410142344300"));
    }

    // Names and tooltips follow the state through clicks and polls.
    void controlsSayWhatTheyAre()
    {
        TesterFixture t;
        const int dirB3 = DirectionButtonId(1, 3), stateB3 = StateButtonId(1, 3);
        QCOMPARE(Described(t, dirB3) + " / " + Described(t, stateB3) + " / " + Described(t, IDC_DIRHEX_A) + " / "
                     + Described(t, IDC_INHEX_C) + " / " + Described(t, IDC_OUTHEX_B),
                 "Port B pin 3 direction: input / Port B pin 3 state: not read yet / Port A directions (hexadecimal)"
                 " / Port C inputs (hexadecimal) / Port B outputs (hexadecimal)");
        t.Click(dirB3);
        t.Click(stateB3);
        t.Connect(t.DevicePath());
        t.Device().SetInputs(2, 0x01);
        t.PollOnce();
        QCOMPARE(Described(t, dirB3) + " / " + Described(t, stateB3) + " / " + Described(t, StateButtonId(2, 0)),
                 "Port B pin 3 direction: output / Port B pin 3 state: 1 / Port C pin 0 state: 1");
        QCOMPARE(t.Text(stateB3) + t.Text(dirB3) + t.Text(StateButtonId(2, 1)), "1O0");
    }

    void polls()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        for (auto [port, levels] : {std::pair{0, 0x12}, {1, 0x7F}, {2, 0x80}})
            t.Device().SetInputs(port, static_cast<std::uint8_t>(levels));
        t.Wire(15);
        t.ClearWire();
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(t.Wire(3), QByteArray("abc"));
        QCOMPARE(t.Text(IDC_INHEX_A) + t.Text(IDC_INHEX_B) + t.Text(IDC_INHEX_C), "127F80");
        QCOMPARE(t.Text(StateButtonId(0, 1)) + t.Text(StateButtonId(0, 0)), "10");

        // Equal answers below 0x80 redraw no button, answers of 0x80 and above
        // redraw every time; the input fields are always rewritten.
        for (int P = 0; P < 3; ++P)
            SetControlText(t.Dlg().GetDlgItem(StateButtonId(P, 0)), "x");
        SetControlText(t.Dlg().GetDlgItem(IDC_INHEX_A), "ZZ");
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(t.Text(StateButtonId(0, 0)) + t.Text(StateButtonId(1, 0)) + t.Text(StateButtonId(2, 0)), "xx0");
        QCOMPARE(t.Text(IDC_INHEX_A), QStringLiteral("12"));

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
    }

    // Nothing set by the test: the start snapshot reads all pins high, and the
    // first poll replaces the template's captions whatever it reads.
    void theUntouchedStart()
    {
        TesterFixture t;
        t.Click(DirectionButtonId(1, 3));
        t.Click(DirectionButtonId(1, 3));
        QCOMPARE(t.Text(DirectionButtonId(1, 3)) + t.Text(StateButtonId(1, 3)) + t.Text(StateButtonId(1, 4)), "I1O");
        for (int port = 0; port < 3; ++port)
            t.Device().SetInputs(port, 0x00);
        t.Connect(t.DevicePath());
        t.PollOnce();
        for (int pin = 0; pin < 24; ++pin)
            QCOMPARE(t.Text(StateButtonId(pin / 8, pin % 8)) + t.Text(DirectionButtonId(pin / 8, pin % 8)), "0I");
    }

    void connecting()
    {
        TesterFixture t;
        for (const char *text : {"", "abc", "0", "70000", "/dev/korvane-none"}) {
            t.Connect(text);
            QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection failed. No such port."));
            QVERIFY(!t.Dlg().m_serial.IsOpen());
        }
        // Connecting again closes the old port first, or the exclusive open would fail.
        t.Connect(t.DevicePath());
        t.Click(IDC_CONNECT);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
        QCOMPARE(t.Wire(30), kStartState + kStartState);
        t.Connect("/dev/korvane-none");
        QVERIFY(!t.Dlg().m_serial.IsOpen());
        t.Connect("ptmx");
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection failed. That is not a serial port."));
        // A port held by another program. The status line cuts what does not
        // fit with "..." and shows it whole as its tooltip.
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
