#include "tester_fixture.h"
#include "ui/frame_look.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTest>

namespace {

QByteArray Hex(const char *text)
{
    return QByteArray::fromHex(text);
}

const QByteArray kStartDirections = Hex("2141ff2142ff2143ff");
const QByteArray kStartOutputs = Hex("410042004300");

} // namespace

class TestActions : public QObject
{
    Q_OBJECT
private slots:
    void bytesOnTheWire()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
        QCOMPARE(t.Wire(15), kStartDirections + kStartOutputs);

        t.ClearWire();
        t.Click(DirectionButtonId(2, 5));
        QCOMPARE(t.Wire(9), Hex("2141ff2142ff2143df"));

        t.ClearWire();
        t.Click(StateButtonId(1, 2));
        QCOMPARE(t.Wire(6), Hex("410042044300"));

        t.ClearWire();
        t.TypeOver(IDC_OUTHEX_A, "5a");
        QCOMPARE(t.Wire(12), Hex("410542044300") + Hex("415a42044300"));
        QCOMPARE(t.Device().Model().latch[0], 0x5A);

        t.ClearWire();
        t.TypeOver(IDC_DIRHEX_B, "0");
        QCOMPARE(t.Wire(9), Hex("2141ff2142002143df"));
        // An undo is a user edit too.
        QTest::keySequence(t.Dlg().GetDlgItem(IDC_DIRHEX_B), QKeySequence::Undo);
        QCOMPARE(t.Wire(18).mid(9), kStartDirections.left(6) + Hex("2143df"));
    }

    void nothingIsSentWithoutAConnection()
    {
        TesterFixture t;
        t.Click(DirectionButtonId(0, 1));
        t.Click(StateButtonId(0, 0));
        t.TypeOver(IDC_DIRHEX_C, "12");
        t.TypeOver(IDC_OUTHEX_B, "34");
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(t.Wire(), QByteArray());
        // The next connect sends the whole state.
        t.Connect(t.DevicePath());
        QCOMPARE(t.Wire(15), Hex("2141fd2142ff214312") + Hex("410142344300"));
    }

    void pinViews()
    {
        TesterFixture t;
        CPinTesterDlg &dlg = t.Dlg();
        dlg.m_portIn[0] = 0x10;
        t.Click(DirectionButtonId(0, 3));
        QCOMPARE(t.Text(DirectionButtonId(0, 3)), QStringLiteral("O"));
        QCOMPARE(GetFrameLook(dlg.GetDlgItem(StateButtonId(0, 3))), FrameLook::Heavy);
        QCOMPARE(t.Text(StateButtonId(0, 3)), QStringLiteral("0"));
        QCOMPARE(t.Text(IDC_DIRHEX_A), QStringLiteral("F7"));
        t.Click(StateButtonId(0, 3));
        QCOMPARE(t.Text(StateButtonId(0, 3)), QStringLiteral("1"));
        QCOMPARE(t.Text(IDC_OUTHEX_A), QStringLiteral("8"));

        // The state button of an input pin flips the latch but keeps showing the input.
        t.Click(StateButtonId(0, 4));
        QCOMPARE(dlg.m_portOut[0], 0x18);
        QCOMPARE(t.Text(StateButtonId(0, 4)), QStringLiteral("1"));
        t.Click(StateButtonId(0, 4));
        QCOMPARE(t.Text(StateButtonId(0, 4)), QStringLiteral("1"));
        QCOMPARE(GetFrameLook(dlg.GetDlgItem(StateButtonId(0, 4))), FrameLook::Sunken);

        // A third typed character keeps the rightmost two, caret after them.
        t.TypeOver(IDC_OUTHEX_B, "123");
        QCOMPARE(t.Text(IDC_OUTHEX_B), QStringLiteral("23"));
        QCOMPARE(qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_OUTHEX_B))->cursorPosition(), 2);
        QCOMPARE(dlg.m_portOut[1], 0x23);

        t.TypeOver(IDC_DIRHEX_C, "f");
        QCOMPARE(dlg.m_portDir[2], 0x0F);
        for (int n = 0; n < 8; ++n) {
            QCOMPARE(t.Text(DirectionButtonId(2, n)), n < 4 ? QStringLiteral("I") : QStringLiteral("O"));
            QCOMPARE(GetFrameLook(dlg.GetDlgItem(StateButtonId(2, n))), n < 4 ? FrameLook::Flat : FrameLook::Heavy);
        }
    }

    void polls()
    {
        TesterFixture t;
        CPinTesterDlg &dlg = t.Dlg();
        t.Connect(t.DevicePath());
        t.Device().SetInputs(0, 0x12);
        t.Device().SetInputs(1, 0x34);
        t.Device().SetInputs(2, 0xC5);
        t.Wire(15);
        t.ClearWire();
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(t.Wire(3), QByteArray("abc"));
        QCOMPARE(t.Text(IDC_INHEX_A) + t.Text(IDC_INHEX_B) + t.Text(IDC_INHEX_C), QStringLiteral("1234C5"));
        QCOMPARE(t.Text(StateButtonId(0, 1)), QStringLiteral("1"));
        QCOMPARE(t.Text(StateButtonId(0, 0)), QStringLiteral("0"));

        // Equal answers below 0x80 redraw no button, answers of 0x80 and above
        // redraw every time; the input fields are always rewritten.
        for (PortIndex P = 0; P < 3; ++P)
            SetControlTextOfRow(dlg, P, "x");
        qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_INHEX_A))->setText("ZZ");
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(t.Text(StateButtonId(0, 1)), QStringLiteral("x"));
        QCOMPARE(t.Text(StateButtonId(1, 2)), QStringLiteral("x"));
        QCOMPARE(t.Text(StateButtonId(2, 0)), QStringLiteral("1"));
        QCOMPARE(t.Text(IDC_INHEX_A), QStringLiteral("12"));
    }

    void silentDeviceAndStrayBytes()
    {
        TesterFixture t;
        CPinTesterDlg &dlg = t.Dlg();
        t.Connect(t.DevicePath());
        t.Device().SetInputs(0, 0x01);
        t.Device().SetInputs(1, 0x02);
        t.Device().SetInputs(2, 0x03);

        t.Device().SetSilent(true);
        QElapsedTimer clock;
        clock.start();
        t.Click(IDC_POLL_ONCE);
        QVERIFY(clock.elapsed() >= 140);
        QCOMPARE(t.Text(IDC_INHEX_B), QStringLiteral("FF"));
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("No answer from device."));
        t.Device().SetSilent(false);

        t.Device().SendStray(0x66);
        QTest::qWait(10);
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
        QCOMPARE((std::vector<int>{dlg.m_portIn[0], dlg.m_portIn[1], dlg.m_portIn[2]}), (std::vector<int>{1, 2, 3}));

        // A late answer may mislead the poll it arrives in, never a later one.
        t.Device().SetDelayMs(70);
        t.Click(IDC_POLL_ONCE);
        t.Device().SetDelayMs(0);
        QTest::qWait(80);
        t.Click(IDC_POLL_ONCE);
        QCOMPARE((std::vector<int>{dlg.m_portIn[0], dlg.m_portIn[1], dlg.m_portIn[2]}), (std::vector<int>{1, 2, 3}));
    }

    void connecting()
    {
        TesterFixture t;
        for (const char *text : {"", "abc", "0", "70000", "/dev/korvane-none"}) {
            t.Connect(QString::fromLatin1(text));
            QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection failed."));
            QVERIFY(!t.Dlg().m_serial.IsOpen());
        }
        // Connecting again closes the old port first, or the exclusive open would fail.
        t.Connect(t.DevicePath());
        t.Click(IDC_CONNECT);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
        QCOMPARE(t.Wire(30), (kStartDirections + kStartOutputs).repeated(2));

        t.Connect("/dev/korvane-none");
        QVERIFY(!t.Dlg().m_serial.IsOpen());
        t.ClearWire();
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(t.Wire(), QByteArray());

        CSerialPort other;
        QCOMPARE(other.Open(t.DevicePath(), "9600", 50), 1);
        t.Connect(t.DevicePath());
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection failed."));
    }

    void continuousPolling()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        t.Wire(15);
        t.ClearWire();
        t.Click(IDC_CONTINUOUS);
        QVERIFY(t.Dlg().IsPolling());
        QTest::qWait(1000);
        const int polls = static_cast<int>(t.Wire().count('a'));
        QVERIFY2(polls >= 8 && polls <= 11, qPrintable(QString::number(polls)));

        t.Click(IDC_CONTINUOUS);
        QVERIFY(!t.Dlg().IsPolling());
        t.ClearWire();
        QTest::qWait(250);
        QCOMPARE(t.Wire(), QByteArray());

        // A silent device makes polls slower than the period: they follow back to back.
        t.Device().SetSilent(true);
        t.Click(IDC_CONTINUOUS);
        QTest::qWait(1000);
        const int slowPolls = static_cast<int>(t.Wire().count('a'));
        QVERIFY2(slowPolls >= 5 && slowPolls <= 8, qPrintable(QString::number(slowPolls)));

        // Closing stops the ticks and closes the port.
        t.Dlg().reject();
        QVERIFY(!t.Dlg().IsPolling());
        QVERIFY(!t.Dlg().m_serial.IsOpen());
        CSerialPort other;
        QCOMPARE(other.Open(t.DevicePath(), "9600", 50), 1);
    }

private:
    static void SetControlTextOfRow(CPinTesterDlg &dlg, PortIndex P, const char *text)
    {
        for (int n = 0; n < 8; ++n)
            qobject_cast<QPushButton *>(dlg.GetDlgItem(StateButtonId(P, n)))->setText(text);
    }
};

QTEST_MAIN(TestActions)
#include "test_actions.moc"
