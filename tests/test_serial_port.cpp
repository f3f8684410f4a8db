#include "device/port_list.h"
#include "device/port_name.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

    // udev's links are relative to their folder; the first in name order wins.
    void stableNamesAreFoundByTheirNode()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("by-id");
        QFile(dir.filePath("ttyUSB0")).open(QIODevice::WriteOnly);
        for (const char *name : {"usb-B", "usb-A"})
            QFile::link("../ttyUSB0", dir.filePath("by-id/") + name);
        QFile::link("../gone", dir.filePath("by-id/usb-0"));
        QCOMPARE(StableDeviceName(dir.filePath("ttyUSB0"), dir.filePath("by-id")), dir.filePath("by-id/usb-A"));
    }
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "test_serial_port.moc"
