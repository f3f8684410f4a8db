#include "device/serial_port.h"
#include "sim_process.h"
#include "tools/sim/device_model.h"
#include "tools/sim/sim_options.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

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

// A device with the pins wired and faulted as korvane-sim's options say.
DeviceModel Wired(const std::vector<std::string> &options)
{
    SimOptions parsed;
    if (!ParseSimOptions(options, parsed).empty())
        qFatal("bad options");
    DeviceModel model;
    model.harness = parsed.harness;
    return model;
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
    }

    void loopbackWiresPortsPinByPin()
    {
        DeviceModel model = Wired({"--loopback", "A:B"});
        QCOMPARE(Answers(model, "abc"), "ffffff");
        // A drives, B follows; then B drives and A follows; C stays apart.
        QCOMPARE(Answers(model, QByteArray::fromHex("214100" "415a" "214300") + "abc"), "5a5a00");
        QCOMPARE(Answers(model, QByteArray::fromHex("2141ff" "214200" "42c3") + "ab"), "c3c3");
        // Both sides driving give the AND.
        QCOMPARE(Answers(model, QByteArray::fromHex("214100" "41f0" "423c") + "ab"), "3030");
    }

    void faultsOnFreeAndWiredPins()
    {
        DeviceModel free = Wired({"--fault", "A3=0", "--fault", "c7=1", "--short", "B1:B2"});
        QCOMPARE(Answers(free, QByteArray::fromHex("214100" "41ff" "214200" "4206") + "ab"), "f706");
        QCOMPARE(Answers(free, QByteArray::fromHex("4202" "4204") + "b"), "00");
        free.inputs[2] = 0x00;
        QCOMPARE(Answers(free, "c"), "80");

        // A stuck pin reads its level while its wire carries what is driven; a short changes
        // what its pins read, not the wires; an open wire leaves each side reading itself.
        DeviceModel wired = Wired({"--loopback", "A:B", "--fault", "A3=0", "--short", "B1:B2", "--open", "b6"});
        QCOMPARE(Answers(wired, QByteArray::fromHex("214100" "41ff") + "ab"), "f7ff");
        QCOMPARE(Answers(wired, QByteArray::fromHex("4102") + "ab"), "0240");
        QCOMPARE(Answers(wired, QByteArray::fromHex("2141ff" "214200" "4208") + "ab"), "40" "08");
    }

    void options()
    {
        SimOptions options;
        QCOMPARE(ParseSimOptions({"--inputs", "A=01,c=Fe", "--walk", "500", "--silent", "--delay=7", "-V", "-h", "--"}, options),
                 std::string());
        QVERIFY(options.inputs == (DeviceModel::Ports{0x01, 0xFF, 0xFE}) && options.walkMs == 500 && options.silent);
        QVERIFY(options.delayMs == 7 && options.help && options.version);
        for (const char *bad : {"D=01", "A=100", "A01", "A=1,"})
            QVERIFY(!ParseSimOptions({"--inputs", bad}, options).empty());
        QVERIFY(!ParseSimOptions({"--walk", "-1"}, options).empty());
        for (const auto &[args, error] : {std::pair<std::vector<std::string>, std::string>{{"--delay"}, "--delay needs a value"},
                                          {{"--frob"}, "unknown option --frob"}, {{"--trace", "-hx"}, "unknown option -x"},
                                          {{"--walk=5", "--", "x"}, "unexpected argument x"}})
            QCOMPARE(ParseSimOptions(args, options), error);
        for (const char *bad : {"A8=0", "A3=2", "A3", "D1=1"})
            QVERIFY(!ParseSimOptions({"--fault", bad}, options).empty());
        for (const auto &[option, bad] : {std::pair{"--short", "B1:B1"}, {"--short", "B1-B2"},
                                          {"--loopback", "A:A"}, {"--loopback", "A:D"}})
            QVERIFY(!ParseSimOptions({option, bad}, options).empty());
        QCOMPARE(ParseSimOptions({"--open", "C2", "--loopback", "A:B"}, options),
                 std::string("--open needs a --loopback that wires port C"));
    }

    // korvane-sim serves the model on a pseudo-terminal behind a link.
    void korvaneSimAnswersAcrossReconnections()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("korvane");
        QProcess sim;
        const QString device = StartSim(sim, {"--trace", "--link", link});
        QVERIFY(device.startsWith("/dev/pts/"));
        QCOMPARE(QFileInfo(link).symLinkTarget(), device);
        for (int connection = 0; connection < 3; ++connection) {
            CSerialPort port;
            QCOMPARE(port.Open(link, "9600", 50), 1);
            QCOMPARE(port.Write("!A\x0F", 3), 3);
            QCOMPARE(port.Write("A\x50?a", 4), 4);
            QCOMPARE(port.ReadByte(), 0x5F);
        }
        ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link));
        const QString trace = QString::fromLocal8Bit(sim.readAllStandardError());
        for (const char *line : {"direction A 0F\n", "output A 50\n", "ignored 3F\n", "read A 5F\n"})
            QCOMPARE(trace.count(QStringLiteral("korvane-sim: ") + line), 3);
    }
};

QTEST_GUILESS_MAIN(TestDeviceModel)
#include "test_device_model.moc"
