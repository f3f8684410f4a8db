#include "machine_lateness.h"
#include "sim_process.h"
#include "tester_fixture.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <fcntl.h>

const QString kConnected = QStringLiteral("Connection successful.");
const QString kDisconnected = QStringLiteral("Device disconnected.");

// Milliseconds until the status line shows `status`, or -1 after the time-out.
static qint64 MsUntilStatus(TesterFixture &t, const QString &status, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    return QTest::qWaitFor([&] { return t.Text(IDC_STATUS) == status; }, timeoutMs) ? clock.elapsed() : -1;
}

static bool DrawnInRed(QWidget *button)
{
    return Shows(button->grab().toImage(), [](const QColor &c) { return c.red() > 180 && c.green() < 90 && c.blue() < 90; });
}

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

        const qint64 margin = 4 * MachineLatenessMs();
        sim.kill();
        const qint64 lossMs = MsUntilStatus(t, kDisconnected, 5000);
        QVERIFY2(lossMs >= 0 && lossMs <= 200 + margin, qPrintable(QString("%1 ms (margin %2)").arg(lossMs).arg(margin)));
        QVERIFY(!t.Dlg().m_serial.IsOpen());
        QVERIFY(qobject_cast<QCheckBox *>(t.Dlg().GetDlgItem(IDC_CONTINUOUS))->isChecked());
        QCOMPARE(t.Text(DirectionButtonId(1, 1)) + t.Text(StateButtonId(1, 1)) + t.Text(IDC_DIRHEX_B), "O1FD");
        QVERIFY(sim.state() == QProcess::NotRunning || sim.waitForFinished(5000));
        QTest::qWait(300);

        QVERIFY(!StartSim(sim, {"--trace", "--link", link}).isEmpty());
        const qint64 returnMs = MsUntilStatus(t, kConnected, 5000);
        QVERIFY2(returnMs >= 0 && returnMs <= 1000 + margin, qPrintable(QString("%1 ms (margin %2)").arg(returnMs).arg(margin)));
        QTest::qWait(250);
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        // The window's state first, directions then outputs, then the polls go on.
        const QString trace = QString::fromLocal8Bit(sim.readAllStandardError()).remove("korvane-sim: ");
        QVERIFY2(trace.startsWith("direction A FF\ndirection B FD\ndirection C FF\n"
                                  "output A 00\noutput B 02\noutput C 00\nread A FF\n"),
                 qPrintable(trace));
    }

    // Both ends of a null-modem pair go when socat ends, and come back with
    // it; each time the state crosses the pair.
    void socatPairEndedAndStartedAgain()
    {
        QTemporaryDir dir;
        const QString near = dir.filePath("tester"), far = dir.filePath("device");
        QProcess socat;
        TesterFixture t;
        for (int round = 0; round < 2; ++round) {
            socat.start("socat", {"PTY,link=" + near + ",raw,echo=0", "PTY,link=" + far + ",raw,echo=0"});
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(near) && QFileInfo::exists(far), 5000);
            if (round == 0)
                t.Connect(near);
            QTRY_COMPARE_WITH_TIMEOUT(t.Text(IDC_STATUS), kConnected, 5000);
            const int device = ::open(QFile::encodeName(far).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
            QByteArray state(15, '\0');
            qsizetype got = 0;
            static_cast<void>(QTest::qWaitFor(
                [&] { return (got += std::max<ssize_t>(0, ::read(device, state.data() + got, 15 - got))) == 15; }, 5000));
            ::close(device);
            QCOMPARE(state.left(got), Hex("2141ff2142ff2143ff" "410042004300"));
            socat.terminate();
            QVERIFY(socat.waitForFinished(5000));
            QTRY_COMPARE_WITH_TIMEOUT(t.Text(IDC_STATUS), kDisconnected, 5000);
        }
    }

    // Found again by its USB serial number under another name, though another device
    // took the name it was connected by; a connect by hand meanwhile ends the search.
    void foundBySerialNumberUnlessConnectedByHand()
    {
        TesterFixture t;
        auto ports = std::make_shared<ListedPorts>();
        t.Dlg().SetPortSource(ports);
        QTemporaryDir dir;
        const QString link = dir.filePath("adapter");
        for (const bool byHand : {false, true}) {
            auto first = std::make_unique<PtyDevice>();
            first->Start();
            QFile::link(first->path, link);
            ports->ports = {{"adapter", first->path, {}, {}, {}, "K42", {}}};
            t.Connect(link);
            first.reset();
            QFile::remove(link);
            QTRY_COMPARE_WITH_TIMEOUT(t.Text(IDC_STATUS), kDisconnected, 1000);
            if (byHand)
                t.Connect(t.DevicePath());

            PtyDevice second;
            second.Start();
            ports->ports = {{"adapter", second.path, {}, {}, {}, "K42", {}}};
            t.ClearWire();
            if (!byHand)
                QFile::link(t.DevicePath(), link);
            QTest::qWait(600);
            QCOMPARE(second.Received().size(), byHand ? 0u : 15u);
            QVERIFY(byHand || t.Wire().isEmpty());
            QCOMPARE(t.Text(IDC_STATUS), kConnected);
            QFile::remove(link);
        }
    }

    // The kernel gives a gone terminal's number to the next program that asks; nothing
    // proves that one the device, so it gets no byte, by node path or by a stale link.
    void aNumberTakenByAnotherProgramIsNeverConnected_data()
    {
        QTest::addColumn<bool>("byLink");
        QTest::newRow("node path") << false;
        QTest::newRow("link left behind") << true;
    }
    void aNumberTakenByAnotherProgramIsNeverConnected()
    {
        QFETCH(bool, byLink);
        TesterFixture t;
        QTemporaryDir dir;
        const QString link = dir.filePath("device");
        auto gone = std::make_unique<PtyDevice>();
        gone->Start();
        const QString node = gone->path;
        QVERIFY(!byLink || QFile::link(node, link));
        t.Connect(byLink ? link : node);
        t.Click(IDC_CONTINUOUS);
        QCOMPARE(t.Text(IDC_STATUS), kConnected);
        gone.reset();
        QTRY_COMPARE_WITH_TIMEOUT(t.Text(IDC_STATUS), kDisconnected, 1000);

        std::vector<std::unique_ptr<PtyDevice>> others;
        while (others.size() < 32 && (others.empty() || others.back()->path != node)) {
            others.push_back(std::make_unique<PtyDevice>());
            others.back()->Start();
        }
        QCOMPARE(others.back()->path, node);
        QTest::qWait(1000);
        for (const auto &other : others)
            QVERIFY2(other->Received().empty(), qPrintable(other->path));
        QCOMPARE(t.Text(IDC_STATUS), kDisconnected);
        t.Connect(node);
        QCOMPARE(t.Text(IDC_STATUS), kConnected);
    }

    // Pin A3 always reads low, A4 always high; B1 and B2 are shorted and read
    // the AND of what they drive. An output that reads otherwise is marked until
    // a poll reads its driven level or it becomes an input; a silent port has no marks.
    void outputsThatReadBackOtherwiseAreMarked()
    {
        SimOptions faults;
        QVERIFY(ParseSimOptions({"--fault", "A3=0", "--fault", "A4=1", "--short", "B1:B2"}, faults).empty());
        TesterFixture t(faults);
        t.Connect(t.DevicePath());
        auto pin = [&](int P, int n) { return t.Dlg().GetDlgItem(StateButtonId(P, n)); };
        for (auto [P, n] : {std::pair{0, 3}, {0, 4}, {1, 1}, {1, 2}})
            t.Click(DirectionButtonId(P, n));
        t.Click(StateButtonId(0, 3));
        t.Click(StateButtonId(1, 1));
        QVERIFY(!DrawnInRed(pin(0, 3)));
        t.PollOnce();
        QVERIFY(DrawnInRed(pin(0, 3)) && DrawnInRed(pin(0, 4)) && DrawnInRed(pin(1, 1)));
        QVERIFY(!DrawnInRed(pin(1, 2)) && !DrawnInRed(pin(0, 2)));
        QCOMPARE(t.Text(StateButtonId(0, 3)) + t.Text(StateButtonId(0, 4)), "10"); // outputs show the level driven
        QCOMPARE(pin(0, 3)->toolTip(), QStringLiteral("Port A pin 3 state: 1 (driven 1, reads 0)"));
        QCOMPARE(pin(0, 4)->accessibleName(), QStringLiteral("Port A pin 4 state: 0 (driven 0, reads 1)"));

        t.Click(StateButtonId(1, 2));
        QVERIFY(DrawnInRed(pin(1, 1)));
        t.PollOnce();
        QVERIFY(!DrawnInRed(pin(1, 1)) && !DrawnInRed(pin(1, 2)));
        QCOMPARE(pin(1, 1)->toolTip(), QStringLiteral("Port B pin 1 state: 1"));
        t.Click(DirectionButtonId(0, 3));
        QVERIFY(!DrawnInRed(pin(0, 3)));
        QCOMPARE(pin(0, 3)->toolTip(), QStringLiteral("Port A pin 3 state: 0"));
        QVERIFY(DrawnInRed(pin(0, 4)));
        t.Device().SetSilent(true);
        t.Click(IDC_POLL_ONCE);
        QVERIFY(!DrawnInRed(pin(0, 4)));
    }
};

QTEST_MAIN(TestDevices)
#include "test_devices.moc"
