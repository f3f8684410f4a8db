#include "tools/sim/device_model.h"
#include "tools/sim/sim_options.h"

#include <QTest>

namespace {

// Feeds the bytes and returns the answers as hexadecimal text.
QByteArray Answers(DeviceModel &model, const QByteArray &bytes)
{
    QByteArray answers;
    for (char byte : bytes) {
        if (const auto answer = model.Feed(static_cast<std::uint8_t>(byte)))
            answers.append(static_cast<char>(*answer));
    }
    return answers.toHex();
}

} // namespace

class TestDeviceModel : public QObject
{
    Q_OBJECT
private slots:
    void decoding()
    {
        DeviceModel model;
        QCOMPARE(Answers(model, "abc"), "ffffff");
        model.inputs[1] = 0x05;
        // Inputs 0-3 read the input levels, outputs 4-7 the latch.
        QCOMPARE(Answers(model, QByteArray::fromHex("21420f" "4381" "42f0") + "b"), "f5");
        QCOMPARE(Answers(model, QByteArray::fromHex("214300") + "c"), "81");
        // Data bytes may look like commands.
        QCOMPARE(Answers(model, "!Aa" "B!" "Aa"), "");
        QCOMPARE(model.direction[0] + model.latch[1] + model.latch[0], 'a' + '!' + 'a');
        // Unknown bytes are ignored; after '!' a byte that names no port starts anew.
        QCOMPARE(Answers(model, QByteArray("x!a!!A\x00Z" "A\x42" "a", 11)), "6142");
        std::string trace;
        model.Feed('x', &trace);
        QCOMPARE(trace, std::string("ignored 78"));
        model.Feed('a', &trace);
        QCOMPARE(trace, std::string("read A 42"));
    }

    void options()
    {
        SimOptions options;
        QCOMPARE(ParseSimOptions({"--inputs", "A=01,c=Fe", "--walk", "500", "--silent"}, options), std::string());
        QCOMPARE(options.inputs, (DeviceModel::Ports{0x01, 0xFF, 0xFE}));
        QVERIFY(options.walkMs == 500 && options.silent);
        for (const char *bad : {"D=01", "A=100", "A01", "A=1,"})
            QVERIFY(!ParseSimOptions({"--inputs", bad}, options).empty());
        QVERIFY(!ParseSimOptions({"--walk", "-1"}, options).empty());
        QVERIFY(!ParseSimOptions({"--delay"}, options).empty());
    }
};

QTEST_GUILESS_MAIN(TestDeviceModel)
#include "test_device_model.moc"
