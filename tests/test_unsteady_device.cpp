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

// A device that answers late or stops taking data never makes the window show
// what is not so, nor freeze it for long.
class TestUnsteadyDevice : public QObject
{
    Q_OBJECT
private slots:
    // Answers that come after the read time-out, however late, are never
    // taken as the answers to later requests.
    void lateAnswersAreNeverShownUnderAnotherPort_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::newRow("a little late") << 65;
        QTest::newRow("later than a poll period") << 120;
        QTest::newRow("three periods late") << 320;
    }
    void lateAnswersAreNeverShownUnderAnotherPort()
    {
        QFETCH(int, delayMs);
        TesterFixture t;
        t.Connect(t.DevicePath());
        SetDistinctInputs(t);
        t.Device().SetDelayMs(delayMs);
        t.Click(IDC_CONTINUOUS);
        QTest::qWait(160);
        for (int i = 0; i < 20; ++i) {
            QTest::qWait(50);
            QCOMPARE(InputBytes(t.Dlg()), QStringLiteral("ffffff"));
            QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("No answer from device."));
        }
        // Once the device answers in time again, polls are good again.
        t.Device().SetDelayMs(0);
        QVERIFY(QTest::qWaitFor([&] { return t.Text(IDC_STATUS) == QStringLiteral("Connection successful."); }, 3000));
        QCOMPARE(InputBytes(t.Dlg()), QStringLiteral("112233"));
    }

    // A device that answers each request twice: no poll shows a value under
    // the wrong port as good, and the status says what is wrong.
    void doubledAnswersAreReportedNotShown()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        SetDistinctInputs(t);
        t.Device().SetDoubleAnswers(true);
        t.Click(IDC_CONTINUOUS);
        // A second copy still on its way when a poll ends is met by the next
        // poll; from then on no poll counts as good while they keep coming.
        QVERIFY(QTest::qWaitFor([&] { return t.Text(IDC_STATUS) == QStringLiteral("Unexpected data from device."); }, 1000));
        for (int i = 0; i < 40; ++i) {
            QTest::qWait(25);
            QCOMPARE(InputBytes(t.Dlg()) + u' ' + t.Text(IDC_STATUS), QStringLiteral("ffffff Unexpected data from device."));
        }
        t.Device().SetDoubleAnswers(false);
        QVERIFY(QTest::qWaitFor([&] { return t.Text(IDC_STATUS) == QStringLiteral("Connection successful."); }, 3000));
        QCOMPARE(InputBytes(t.Dlg()), QStringLiteral("112233"));
    }

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
        // meets it, and polls are trusted again after a quiet second.
        t.Device().SetSilent(false);
        for (int i = 0; i < 20000; ++i)
            t.Device().SendStray(0x66);
        QTest::qWait(20);
        t.Click(IDC_POLL_ONCE);
        QCOMPARE(InputBytes(t.Dlg()), QStringLiteral("ffffff"));
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Unexpected data from device."));
        t.Click(IDC_POLL_ONCE);
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
