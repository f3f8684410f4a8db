// The tester's core without a window: connect, poll, marks, status and the
// keeping of the line, driven against a virtual device on a pseudo-terminal.

#include "machine_lateness.h"
#include "pty_device.h"
#include "tester/hex_text.h"
#include "tester/pin_tester.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

static QString Levels(const CPinTester &tester)
{
    return QString::asprintf("%02X%02X%02X", tester.m_portIn[0], tester.m_portIn[1], tester.m_portIn[2]);
}

class TestPinTester : public QObject
{
    Q_OBJECT
private slots:
    // Connect sends the whole state or says why not; what counts as new, what a
    // silent or chatty device gives, and the status line through it all.
    void connectAndPollByTheRules()
    {
        PtyDevice device;
        device.Start();
        CPinTester tester;
        tester.Reset();
        QCOMPARE(tester.PollAndKeep(), (std::array{false, false, false}));
        QCOMPARE(Levels(tester) + u' ' + tester.m_strStatus, "FFFFFF Set COM port then click Connect.");
        QVERIFY(device.Wire().isEmpty());
        tester.m_portDir[1] = 0xF7;
        tester.m_portOut[1] = 0x08;
        QVERIFY(tester.Connect(device.path));
        QCOMPARE(tester.m_strStatus, "Connection successful.");
        QCOMPARE(device.Wire(15), QByteArray::fromHex("2141ff2142f72143ff" "410042084300"));

        device.SetInputs(0, 0x12);
        device.SetInputs(1, 0x7F);
        device.SetInputs(2, 0x80);
        QCOMPARE(tester.PollAndKeep(), (std::array{true, true, true}));
        QCOMPARE(Levels(tester), "127F80");
        // Equal answers below 0x80 are not new; 0x80 and above always are.
        QCOMPARE(tester.PollAndKeep(), (std::array{false, false, true}));

        // A silent poll ends at the first read time-out.
        device.SetSilent(true);
        tester.BeginAction();
        const qint64 margin = 4 * MachineLatenessMs();
        QElapsedTimer clock;
        clock.start();
        tester.PollAndKeep();
        QVERIFY2(clock.elapsed() >= 45 && clock.elapsed() < 150 + margin, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(Levels(tester) + u' ' + tester.m_strStatus, "FFFFFF No answer from device.");
        device.SetSilent(false);
        QTest::qWait(CPinTester::kLateAnswerLimitMs + 100);
        tester.PollAndKeep();
        QCOMPARE(Levels(tester) + u' ' + tester.m_strStatus, "127F80 Connection successful.");

        // A flood nobody asked for is reported by the poll that meets it;
        // polls are trusted again after a quiet second.
        for (int i = 0; i < 20000; ++i)
            device.SendStray(0x55);
        QTest::qWait(20);
        tester.PollAndKeep();
        QCOMPARE(Levels(tester) + u' ' + tester.m_strStatus, "FFFFFF Unexpected data from device.");
        QTest::qWait(CPinTester::kTrustAgainAfterMs + 100);
        tester.PollAndKeep();
        QCOMPARE(Levels(tester) + u' ' + tester.m_strStatus, "127F80 Connection successful.");

        for (const char *text : {"", "abc", "0", "70000", "/dev/korvane-none"}) {
            QVERIFY(!tester.Connect(text));
            QCOMPARE(tester.m_strStatus, "Connection failed. No such port.");
            QVERIFY(!tester.m_serial.IsOpen());
        }
        QVERIFY(!tester.Connect(QStringLiteral("/dev/null")));
        QCOMPARE(tester.m_strStatus, "Connection failed. That is not a serial port.");
    }

    // Late answers, however late, and second copies are never taken as answers to
    // later requests; once the device behaves, polls are good again.
    void answersThatCannotBeToldApartAreNeverShown_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("doubled");
        QTest::addColumn<QString>("status");
        QTest::newRow("a little late") << 90 << false << "No answer from device.";
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

    // A hex field's text: upper-cased, cut to its rightmost two characters (code
    // points, not UTF-16 halves), digits 0-9 and A-F only.
    void hexTexts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("shortened");
        QTest::newRow("empty") << "" << "" << 0 << false;
        QTest::newRow("lower f") << "f" << "F" << 15 << false;
        QTest::newRow("0F") << "0F" << "0F" << 15 << false;
        QTest::newRow("9 then g") << "9g" << "9G" << 0x90 << false;
        QTest::newRow("beside the digits") << "@:" << "@:" << 0 << false;
        QTest::newRow("accented letter") << "\u00e9/" << "\u00c9/" << 0 << false;
        QTest::newRow("digits of other scripts") << "\uFF11\U0001D7CF" << "\uFF11\U0001D7CF" << 0 << false;
        QTest::newRow("digit typed in front is lost") << "312" << "12" << 0x12 << true;
        QTest::newRow("four digits") << "abcd" << "CD" << 0xCD << true;
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
        QTest::newRow("cut never splits an emoji") << "12" + emoji << "2" + emoji << 0x20 << true;
        QTest::newRow("emoji cut away") << emoji + emoji + "a" << emoji + "A" << 0x0A << true;
        // U+FEFF is a character like any other that is not a digit, in front too.
        const QString bom(QChar(0xFEFF));
        QTest::newRow("byte order mark before two digits") << bom + "12" << "12" << 0x12 << true;
        QTest::newRow("two byte order marks") << bom + bom << bom + bom << 0 << false;
    }
    void hexTexts()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(int, value);
        QFETCH(bool, shortened);
        bool cut = !shortened;
        QCOMPARE(ParseHexText(typed, cut), value);
        QCOMPARE(typed, kept);
        QCOMPARE(cut, shortened);
    }

    // An output that reads back otherwise is marked until it reads its level
    // again; a port that did not answer has no marks.
    void marksFollowThePolls()
    {
        SimOptions stuck;
        QVERIFY(ParseSimOptions({"--fault", "A2=0"}, stuck).empty());
        PtyDevice device(stuck);
        device.Start();
        CPinTester tester;
        tester.Reset();
        tester.m_portDir[0] = 0xF0;
        tester.m_portOut[0] = 0x05;
        QVERIFY(tester.Connect(device.path));
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
        tester.m_portOut[2] = 0x40;
        QVERIFY(tester.Connect(link));

        device.reset();
        QFile::remove(link);
        QTRY_COMPARE_WITH_TIMEOUT(tester.m_strStatus, "Device disconnected.", 5000);

        PtyDevice back;
        back.Start();
        QVERIFY(QFile::link(back.path, link));
        QTRY_COMPARE_WITH_TIMEOUT(tester.m_strStatus, "Connection successful.", 5000);
        QCOMPARE(back.Wire(15), QByteArray::fromHex("2141ff2142ff2143ff" "410042004340"));
    }
};

QTEST_GUILESS_MAIN(TestPinTester)
#include "test_pin_tester.moc"
