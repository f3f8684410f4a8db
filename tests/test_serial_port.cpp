#include "device/port_name.h"
#include "device/serial_port.h"
#include "machine_lateness.h"
#include "pty_device.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

int OpenPort(CSerialPort &port, const QString &text, const char *settings = "9600")
{
    const std::optional<QString> device = PortDeviceName(text);
    return device ? port.Open(*device, settings, 50) : -1;
}

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void portTexts()
    {
        const std::pair<const char *, const char *> named[] = {
            {"1", "/dev/ttyS0"},         {"  +3", "/dev/ttyS2"},       {"12abc", "/dev/ttyS11"},
            {"com4", "/dev/ttyS3"},      {"65535", "/dev/ttyS65534"},  {"ttyUSB0", "/dev/ttyUSB0"},
            {" /no/port ", "/no/port"}, {"COM", "/dev/COM"}};
        for (const auto &[text, device] : named)
            QCOMPARE(PortDeviceName(text), std::optional<QString>(device));
        // Numbers outside 1..65535 name no port, whatever they would wrap to.
        for (const char *text : {"", "   ", "0", "-1", "+", "65536", "70000", "99999999999999999999", "COM0"})
            QVERIFY2(!PortDeviceName(text).has_value(), text);
        // A link names the device it leads to.
        QTemporaryDir dir;
        QFile target(dir.filePath("device"));
        QVERIFY(target.open(QIODevice::WriteOnly) && target.link(dir.filePath("link")));
        QCOMPARE(PortDeviceName(dir.filePath("link")), std::optional<QString>(QFileInfo(target).canonicalFilePath()));
    }

    void openResultsAndExclusiveAccess()
    {
        PtyDevice device;
        CSerialPort first;
        CSerialPort second;
        QCOMPARE(OpenPort(first, "/dev/korvane-missing"), -1);
        QCOMPARE(OpenPort(first, device.path, "fast"), -2);
        QVERIFY(!first.IsOpen());
        QCOMPARE(OpenPort(first, device.path), 1);
        QVERIFY(first.IsOpen());
        QCOMPARE(OpenPort(second, device.path), -1);
        QVERIFY(!second.IsOpen());
        first.Close();
        QVERIFY(!first.IsOpen());
        QCOMPARE(first.Write("a", 1), -1);
        QCOMPARE(first.ReadByte(), 0xFF);
        {
            CSerialPort scoped;
            QCOMPARE(OpenPort(scoped, device.path), 1);
        }
        // Destroying the object closed its port.
        QCOMPARE(OpenPort(second, device.path), 1);
    }

    void bytesTimingAndDiscard()
    {
        PtyDevice device;
        CSerialPort port;
        QCOMPARE(OpenPort(port, device.path), 1);
        const qint64 margin = 4 * MachineLatenessMs();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(port.ReadByte(), 0xFF);
        QVERIFY2(clock.elapsed() >= 45 && clock.elapsed() < 150 + margin, qPrintable(QString::number(clock.elapsed())));

        // A waiting byte returns at once, also after a time-out.
        device.SendStray(0x5A);
        QTest::qWait(20);
        clock.start();
        QCOMPARE(port.ReadByte(), 0x5A);
        QVERIFY2(clock.elapsed() < 10 + margin, qPrintable(QString::number(clock.elapsed())));

        device.SendStray(0x11);
        device.SendStray(0x22);
        QTest::qWait(20);
        port.DiscardInput();
        device.SendStray(0x80);
        QCOMPARE(port.ReadByte(), 0x80);

        device.Start();
        QCOMPARE(port.Write("\x00\xff\x80", 3), 3);
        QTRY_COMPARE(device.Received(), (std::vector<std::uint8_t>{0x00, 0xFF, 0x80}));
    }
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "test_serial_port.moc"
