#include "machine_lateness.h"
#include "tester_fixture.h"

#include <QElapsedTimer>

namespace {

QString InputBytes(CPinTesterDlg &dlg)
{
    return QString::asprintf("%02x%02x%02x", dlg.m_portIn[0], dlg.m_portIn[1], dlg.m_portIn[2]);
}

void SetDistinctInputs(TesterFixture &t)
{
    for (int port = 0; port < 3; ++port)
        t.Device().SetInputs(port, static_cast<std::uint8_t>(0x11 * (port + 1)));
}

// Milliseconds that a click on the control keeps the window busy.
qint64 TimedClick(TesterFixture &t, int id)
{
    QElapsedTimer clock;
    clock.start();
    t.Click(id);
    return clock.elapsed();
}

} // namespace

// A device that is silent, floods the line or stops taking data never
// freezes the window for long, and the window says what is wrong.
class TestUnsteadyDevice : public QObject
{
    Q_OBJECT
private slots:
    void silentAndFloodingDevices()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        SetDistinctInputs(t);
        // A silent poll ends at the first time-out.
        t.Device().SetSilent(true);
        const qint64 margin = 4 * MachineLatenessMs();
        const qint64 busy = TimedClick(t, IDC_POLL_ONCE);
        QVERIFY2(busy >= 45 && busy < 150 + margin, qPrintable(QString("%1 ms (margin %2)").arg(busy).arg(margin)));
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("No answer from device."));
        // A flood of bytes nobody asked for is reported by the poll that
        // meets it, and polls are trusted again after a quiet second, the
        // window never held up.
        t.Device().SetSilent(false);
        for (int i = 0; i < 20000; ++i)
            t.Device().SendStray(0x66);
        QTest::qWait(20);
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(InputBytes(t.Dlg()), QStringLiteral("ffffff"));
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Unexpected data from device."));
        QTest::qWait(CPinTester::kTrustAgainAfterMs + 100);
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(InputBytes(t.Dlg()), QStringLiteral("112233"));
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
    }

    void aStalledLineBlocksAnActionForAboutASecondAndIsReported()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        t.Wire(15);
        t.Device().SuspendLine(true);
        const qint64 margin = 4 * MachineLatenessMs();
        for (int id : {DirectionButtonId(1, 2), IDC_CONNECT, IDC_POLL_ONCE}) {
            const qint64 busy = TimedClick(t, id);
            QVERIFY2(busy >= 900 && busy < 1500 + margin, qPrintable(QString("%1 ms (margin %2)").arg(busy).arg(margin)));
        }
        t.Click(IDC_CONNECT);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Device not accepting data."));
        t.ClearWire();
        t.Device().SuspendLine(false);
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
        // Unsent commands were dropped, not sent late behind newer ones.
        QCOMPARE(t.Wire(3), QByteArray("abc"));
    }
};

QTEST_MAIN(TestUnsteadyDevice)
#include "test_unsteady_device.moc"
