#include "far_end.h"
#include "sim_process.h"
#include "tester_fixture.h"
#include "ui/frame_look.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

const QString kConnected = QStringLiteral("Connection successful.");
const QString kDisconnected = QStringLiteral("Device disconnected.");

// Milliseconds until the status line shows `status`, or -1 after the time-out.
qint64 MsUntilStatus(TesterFixture &t, const QString &status, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (t.Text(IDC_STATUS) != status) {
        if (clock.elapsed() > timeoutMs)
            return -1;
        QTest::qWait(1);
    }
    return clock.elapsed();
}

// Whether the button shows any strongly red pixel.
bool DrawnInRed(QWidget *button)
{
    const QImage image = button->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.red() > 180 && colour.green() < 90 && colour.blue() < 90)
                return true;
        }
    }
    return false;
}

bool WaitForLink(const QString &link)
{
    return QTest::qWaitFor([&] { return QFileInfo(link).exists(); }, 5000);
}

} // namespace

class TestDevices : public QObject
{
    Q_OBJECT
private slots:
    // The device is killed and comes back under the same link, with polling on.
    void simKilledAndStartedAgain()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("korvane");
        QProcess sim;
        QVERIFY(!StartSim(sim, {"--link", link}).isEmpty());
        TesterFixture t;
        t.Connect(link);
        t.Click(DirectionButtonId(1, 1));
        t.Click(StateButtonId(1, 1));
        t.Click(IDC_CONTINUOUS);
        QTest::qWait(150);

        sim.kill();
        const qint64 lossMs = MsUntilStatus(t, kDisconnected, 1000);
        QVERIFY2(lossMs >= 0 && lossMs <= 200, qPrintable(QString::number(lossMs)));
        QVERIFY(!t.Dlg().m_serial.IsOpen());
        QVERIFY(qobject_cast<QCheckBox *>(t.Dlg().GetDlgItem(IDC_CONTINUOUS))->isChecked());
        QCOMPARE(t.Text(DirectionButtonId(1, 1)) + t.Text(StateButtonId(1, 1)) + t.Text(IDC_DIRHEX_B), "O1FD");
        QTest::qWait(300); // polling on, nothing to send to

        QProcess again;
        QVERIFY(!StartSim(again, {"--trace", "--link", link}).isEmpty());
        const qint64 returnMs = MsUntilStatus(t, kConnected, 2000);
        QVERIFY2(returnMs >= 0 && returnMs <= 1000, qPrintable(QString::number(returnMs)));
        QTest::qWait(250);
        again.terminate();
        QVERIFY(again.waitForFinished(5000));
        // The window's state first, directions then outputs, then the polls go on.
        const QStringList trace = QString::fromLocal8Bit(again.readAllStandardError()).split('\n');
        QCOMPARE(trace.mid(0, 7), QStringList({"korvane-sim: direction A FF", "korvane-sim: direction B FD",
                                               "korvane-sim: direction C FF", "korvane-sim: output A 00",
                                               "korvane-sim: output B 02", "korvane-sim: output C 00",
                                               "korvane-sim: read A FF"}));
    }

    // Both ends of a null-modem pair go when socat ends, and come back with it.
    void socatPairEndedAndStartedAgain()
    {
        QTemporaryDir dir;
        const QString near = dir.filePath("tester"), far = dir.filePath("device");
        const QStringList pair = {"PTY,link=" + near + ",raw,echo=0", "PTY,link=" + far + ",raw,echo=0"};
        QProcess socat;
        socat.start("socat", pair);
        QVERIFY(WaitForLink(near) && WaitForLink(far));
        TesterFixture t;
        {
            FarEnd device(far);
            t.Connect(near);
            t.Click(IDC_POLL_ONCE);
            QCOMPARE(t.Text(IDC_STATUS), kConnected);
            socat.terminate();
            QVERIFY(socat.waitForFinished(5000));
            QVERIFY(MsUntilStatus(t, kDisconnected, 1000) >= 0);
        }
        socat.start("socat", pair);
        QVERIFY(WaitForLink(near) && WaitForLink(far));
        FarEnd device(far);
        QVERIFY(MsUntilStatus(t, kConnected, 2000) >= 0);
        QVERIFY(QTest::qWaitFor([&] { return device.Received() == 15; }, 1000));
        socat.terminate();
        socat.waitForFinished(5000);
    }

    // A device found again by its USB serial number under another name, even
    // though another device has taken the name it was connected by; a connect
    // by hand meanwhile ends the search.
    void foundBySerialNumberUnlessConnectedByHand()
    {
        TesterFixture t;
        auto ports = std::make_shared<ListedPorts>();
        t.Dlg().SetPortSource(ports);
        QTemporaryDir dir;
        const QString link = dir.filePath("adapter");
        for (const bool byHand : {false, true}) {
            auto first = std::make_unique<VirtualDevice>();
            std::string error;
            QVERIFY(first->Open(error));
            first->Start();
            QFile::link(QString::fromStdString(first->DevicePath()), link);
            ports->ports = {{"adapter", QString::fromStdString(first->DevicePath()), {}, {}, {}, "K42", {}}};
            t.Connect(link);
            QCOMPARE(t.Text(IDC_STATUS), kConnected);
            first.reset();
            QFile::remove(link);
            QVERIFY(MsUntilStatus(t, kDisconnected, 1000) >= 0);
            if (byHand)
                t.Connect(t.DevicePath());

            VirtualDevice second;
            QVERIFY(second.Open(error));
            second.Start();
            ports->ports = {{"adapter", QString::fromStdString(second.DevicePath()), {}, {}, {}, "K42", {}}};
            t.ClearWire();
            if (!byHand)
                QFile::link(t.DevicePath(), link);
            QTest::qWait(600);
            QCOMPARE(second.Received().size(), byHand ? 0u : 15u);
            QVERIFY(byHand || t.Wire().isEmpty());
            QFile::remove(link);
            QCOMPARE(t.Text(IDC_STATUS), kConnected);
        }
    }

    // Pin A3 always reads low, A4 always high; B1 and B2 are shorted and read
    // the AND of what they drive.
    void outputsThatReadBackOtherwiseAreMarked()
    {
        QProcess sim;
        const QString device = StartSim(sim, {"--fault", "A3=0", "--fault", "A4=1", "--short", "B1:B2"});
        QVERIFY(!device.isEmpty());
        TesterFixture t;
        t.Connect(device);
        auto pin = [&](int P, int n) { return t.Dlg().GetDlgItem(StateButtonId(P, n)); };
        for (auto [P, n] : {std::pair{0, 3}, {0, 4}, {1, 1}, {1, 2}})
            t.Click(DirectionButtonId(P, n));
        t.Click(StateButtonId(0, 3));
        t.Click(StateButtonId(1, 1));
        QVERIFY(!DrawnInRed(pin(0, 3)));
        t.Click(IDC_POLL_ONCE);
        QVERIFY(DrawnInRed(pin(0, 3)) && DrawnInRed(pin(1, 1)));
        QVERIFY(!DrawnInRed(pin(1, 2)) && !DrawnInRed(pin(0, 2)));
        QCOMPARE(pin(0, 3)->toolTip(), QStringLiteral("Port A pin 3 state: 1 (driven 1, reads 0)"));
        QCOMPARE(pin(0, 4)->toolTip(), QStringLiteral("Port A pin 4 state: 0 (driven 0, reads 1)"));
        QCOMPARE(pin(1, 1)->accessibleName(), QStringLiteral("Port B pin 1 state: 1 (driven 1, reads 0)"));
        QCOMPARE(t.Text(StateButtonId(0, 3)) + t.Text(StateButtonId(1, 1)) + t.Text(StateButtonId(1, 2)), "110");
        QCOMPARE(GetFrameLook(pin(0, 3)), FrameLook::Heavy);

        // A poll that reads the driven level again takes the mark away; so
        // does making the pin an input.
        t.Click(StateButtonId(1, 2));
        QVERIFY(DrawnInRed(pin(1, 1)));
        t.Click(IDC_POLL_ONCE);
        QVERIFY(!DrawnInRed(pin(1, 1)) && !DrawnInRed(pin(1, 2)));
        QCOMPARE(pin(1, 1)->toolTip(), QStringLiteral("Port B pin 1 state: 1"));
        t.Click(DirectionButtonId(0, 3));
        QVERIFY(!DrawnInRed(pin(0, 3)));
        QCOMPARE(pin(0, 3)->toolTip(), QStringLiteral("Port A pin 3 state: 0"));
    }
};

QTEST_MAIN(TestDevices)
#include "test_devices.moc"
