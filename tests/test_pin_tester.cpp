// The tester's core without a window: connect, poll, marks, status and the
// keeping of the line, driven against a virtual device on a pseudo-terminal.

#include "pty_device.h"

#include "tester/pin_tester.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Received(const VirtualDevice &device)
{
    const std::vector<std::uint8_t> bytes = device.Received();
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// The bytes the device has received once `count` have come.
QByteArray WaitForBytes(const VirtualDevice &device, int count)
{
    [[maybe_unused]] const bool came =
        QTest::qWaitFor([&] { return static_cast<int>(device.Received().size()) >= count; }, 5000);
    return Received(device);
}

QString Levels(const CPinTester &tester)
{
    return QString::asprintf("%02X%02X%02X", tester.m_portIn[0], tester.m_portIn[1], tester.m_portIn[2]);
}

} // namespace

class TestPinTester : public QObject
{
    Q_OBJECT
private slots:
    void connectSendsTheWholeStateOrSaysWhyNot()
    {
        PtyDevice device;
        device.Start();
        CPinTester tester;
        tester.Reset();
        QCOMPARE(tester.m_strStatus, "Set COM port then click Connect.");
        tester.m_portDir[1] = 0xF7;
        tester.m_portOut[1] = 0x08;
        QVERIFY(tester.Connect(device.path));
        QCOMPARE(tester.m_strStatus, "Connection successful.");
        QCOMPARE(WaitForBytes(device, 15), QByteArray::fromHex("2141ff2142f72143ff" "410042084300"));

        QVERIFY(!tester.Connect(QStringLiteral("/dev/korvane-no-such-port")));
        QCOMPARE(tester.m_strStatus, "Connection failed. No such port.");
        QVERIFY(!tester.m_serial.IsOpen());
        QVERIFY(!tester.Connect(QStringLiteral("/dev/null")));
        QCOMPARE(tester.m_strStatus, "Connection failed. That is not a serial port.");
    }

    // What counts as new, what a silent or chatty device gives, and the
    // status line through it all.
    void pollsByTheRules()
    {
        PtyDevice device;
        device.Start();
        CPinTester tester;
        tester.Reset();
        const std::array<bool, kPortCount> none{};
        QCOMPARE(tester.PollAndKeep(), none);
        QCOMPARE(tester.m_strStatus, "Set COM port then click Connect.");
        QCOMPARE(Levels(tester), "FFFFFF");
        QVERIFY(Received(device).isEmpty());

        QVERIFY(tester.Connect(device.path));
        device.SetInputs(0, 0x12);
        device.SetInputs(1, 0x7F);
        device.SetInputs(2, 0x80);
        QCOMPARE(tester.PollAndKeep(), (std::array{true, true, true}));
        QCOMPARE(Levels(tester), "127F80");
        // Equal answers below 0x80 are not new; 0x80 and above always are.
        QCOMPARE(tester.PollAndKeep(), (std::array{false, false, true}));

        device.SetSilent(true);
        tester.BeginAction();
        tester.PollAndKeep();
        QCOMPARE(Levels(tester), "FFFFFF");
        QCOMPARE(tester.m_strStatus, "No answer from device.");
        device.SetSilent(false);
        QTest::qWait(CPinTester::kLateAnswerLimitMs + 100);
        tester.PollAndKeep();
        QCOMPARE(Levels(tester), "127F80");
        QCOMPARE(tester.m_strStatus, "Connection successful.");

        device.SendStray(0x55);
        QTest::qWait(20);
        tester.PollAndKeep();
        QCOMPARE(Levels(tester), "FFFFFF");
        QCOMPARE(tester.m_strStatus, "Unexpected data from device.");
    }

    // Answers that come after the read time-out, however late, and second
    // copies of answers are never taken as the answers to later requests;
    // once the device behaves, polls are good again.
    void answersThatCannotBeToldApartAreNeverShown_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("doubled");
        QTest::addColumn<QString>("status");
        QTest::newRow("a little late") << 65 << false << "No answer from device.";
        QTest::newRow("later than a poll period") << 120 << false << "No answer from device.";
        QTest::newRow("three periods late") << 320 << false << "No answer from device.";
        QTest::newRow("answered twice") << 0 << true << "Unexpected data from device.";
    }
    void answersThatCannotBeToldApartAreNeverShown()
    {
        QFETCH(int, delayMs);
        QFETCH(bool, doubled);
        QFETCH(QString, status);
        PtyDevice device;
        device.Start();
        for (PortIndex P = 0; P < kPortCount; ++P)
            device.SetInputs(P, static_cast<std::uint8_t>(0x11 * (P + 1)));
        device.SetDelayMs(delayMs);
        device.SetDoubleAnswers(doubled);
        CPinTester tester;
        tester.Reset();
        QVERIFY(tester.Connect(device.path));
        auto tick = [&] {
            QTest::qWait(100);
            tester.BeginAction();
            tester.PollAndKeep();
        };
        // A second copy still on its way when a poll ends is met by the next poll.
        tick();
        tick();
        for (int i = 0; i < 20; ++i) {
            tick();
            QCOMPARE(Levels(tester) + u' ' + tester.m_strStatus, "FFFFFF " + status);
        }
        device.SetDelayMs(0);
        device.SetDoubleAnswers(false);
        for (int i = 0; i < 30 && tester.m_strStatus != "Connection successful."; ++i)
            tick();
        QCOMPARE(Levels(tester) + u' ' + tester.m_strStatus, "112233 Connection successful.");
    }

    // An output that reads back otherwise is marked until it reads its level
    // again or becomes an input; a port that did not answer has no marks.
    void marksFollowThePolls()
    {
        SimOptions stuck;
        QVERIFY(ParseSimOptions({"--fault", "A2=0"}, stuck).empty());
        VirtualDevice device(stuck);
        std::string error;
        QVERIFY(device.Open(error));
        device.Start();
        CPinTester tester;
        tester.Reset();
        tester.m_portDir[0] = 0xF0;
        tester.m_portOut[0] = 0x05;
        QVERIFY(tester.Connect(QString::fromStdString(device.DevicePath())));
        tester.PollAndKeep();
        for (int n = 0; n < kPinsPerPort; ++n)
            QCOMPARE(tester.m_marks.Marked(0, n), n == 2);
        device.SetSilent(true);
        tester.PollAndKeep();
        QVERIFY(!tester.m_marks.Marked(0, 2));
    }

    // The device goes and comes back under the link it was connected by,
    // made anew: the core says so, connects again and sends the state.
    void theLineIsKeptAcrossALoss()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("device");
        auto device = std::make_unique<PtyDevice>();
        device->Start();
        QVERIFY(QFile::link(device->path, link));
        CPinTester tester;
        tester.Reset();
        int told = 0;
        tester.SetLineHandler([&] { ++told; });
        tester.m_portOut[2] = 0x40;
        QVERIFY(tester.Connect(link));

        device.reset();
        QFile::remove(link);
        QVERIFY(QTest::qWaitFor([&] { return tester.m_strStatus == "Device disconnected."; }, 5000));
        QCOMPARE(told, 1);
        QVERIFY(!tester.m_serial.IsOpen());

        PtyDevice back;
        back.Start();
        QVERIFY(QFile::link(back.path, link));
        QVERIFY(QTest::qWaitFor([&] { return tester.m_strStatus == "Connection successful."; }, 5000));
        QCOMPARE(told, 2);
        QCOMPARE(WaitForBytes(back, 15), QByteArray::fromHex("2141ff2142ff2143ff" "410042004340"));
        tester.CloseLine();
        QVERIFY(!tester.m_serial.IsOpen());
    }
};

QTEST_GUILESS_MAIN(TestPinTester)
#include "test_pin_tester.moc"
