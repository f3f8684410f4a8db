#include "tools/sim/device_model.h"
#include "tools/sim/sim_options.h"

#include <QTest>

namespace {

std::vector<int> FeedAll(DeviceModel &model, const QByteArray &bytes)
{
    std::vector<int> answers;
    for (char byte : bytes) {
        if (const auto answer = model.Feed(static_cast<std::uint8_t>(byte)))
            answers.push_back(*answer);
    }
    return answers;
}

} // namespace

class TestDeviceModel : public QObject
{
    Q_OBJECT
private slots:
    void commandsSetStateAndReadsAnswerLevels()
    {
        DeviceModel model;
        QCOMPARE(FeedAll(model, "abc"), (std::vector<int>{0xFF, 0xFF, 0xFF}));
        FeedAll(model, QByteArray("!B\x0F" "C\x81" "B\xF0", 8));
        QCOMPARE(model.direction[1], 0x0F);
        QCOMPARE(model.latch[2], 0x81);
        model.inputs[1] = 0x05;
        // Inputs 0-3 read the input levels, outputs 4-7 the latch.
        QCOMPARE(FeedAll(model, "b"), std::vector<int>{0xF5});
        FeedAll(model, QByteArray("!C\x00", 3));
        QCOMPARE(FeedAll(model, "c"), std::vector<int>{0x81});
    }

    void dataBytesMayLookLikeCommands()
    {
        DeviceModel model;
        QCOMPARE(FeedAll(model, "!Aa" "B!" "Aa"), std::vector<int>{});
        QCOMPARE(model.direction[0], 'a');
        QCOMPARE(model.latch[1], '!');
        QCOMPARE(model.latch[0], 'a');
    }

    void unknownBytesAreIgnoredAndDecodingResumes()
    {
        DeviceModel model;
        std::string trace;
        QVERIFY(!model.Feed('x', &trace));
        QCOMPARE(trace, std::string("ignored 78"));
        // '!' followed by something other than a port letter: that byte starts anew.
        QCOMPARE(FeedAll(model, "!a"), std::vector<int>{0xFF});
        FeedAll(model, QByteArray("!!A\x00", 4));
        QCOMPARE(model.direction[0], 0x00);
        QVERIFY(!model.Feed('Z', &trace));
        FeedAll(model, QByteArray("A\x42", 2));
        QCOMPARE(FeedAll(model, "a"), std::vector<int>{0x42});
        model.Feed('a', &trace);
        QCOMPARE(trace, std::string("read A 42"));
    }

    void options()
    {
        SimOptions options;
        QCOMPARE(ParseSimOptions({"--inputs", "A=01,c=Fe", "--walk", "500", "--delay", "7", "--silent", "--trace",
                                  "--link", "/tmp/x"}, options), std::string());
        QCOMPARE(options.inputs, (DeviceModel::Ports{0x01, 0xFF, 0xFE}));
        QCOMPARE(options.walkMs, 500);
        QCOMPARE(options.delayMs, 7);
        QVERIFY(options.silent && options.trace);
        QCOMPARE(options.link, std::string("/tmp/x"));
        for (const std::vector<std::string> &bad : std::vector<std::vector<std::string>>{
                 {"--inputs", "D=01"}, {"--inputs", "A=100"}, {"--inputs", "A01"}, {"--walk", "-1"},
                 {"--delay", "x"}, {"--walk"}, {"--what"}}) {
            SimOptions rejected;
            QVERIFY(!ParseSimOptions(bad, rejected).empty());
        }
    }
};

QTEST_GUILESS_MAIN(TestDeviceModel)
#include "test_device_model.moc"
