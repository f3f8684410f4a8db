#include "device/port_name.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPortName : public QObject
{
    Q_OBJECT
private slots:
    void numbersNameComPorts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("device");
        QTest::newRow("COM1 is the first port") << "1" << "/dev/ttyS0";
        QTest::newRow("leading blanks and plus") << "  +3" << "/dev/ttyS2";
        QTest::newRow("digits up to the first other character") << "12abc" << "/dev/ttyS11";
        QTest::newRow("COM name") << "com4" << "/dev/ttyS3";
        QTest::newRow("highest 16-bit port") << "65535" << "/dev/ttyS65534";
    }
    void numbersNameComPorts()
    {
        QFETCH(QString, text);
        QFETCH(QString, device);
        QCOMPARE(PortDeviceName(text), std::optional<QString>(device));
    }

    void numbersOutsideTheRangeNameNoPort()
    {
        for (const char *text : {"", "   ", "0", "-1", "-", "+", "65536", "70000", "99999999999999999999", "COM0", "com70000"})
            QVERIFY2(!PortDeviceName(QString::fromLatin1(text)).has_value(), text);
    }

    void otherTextsNameTheDevice()
    {
        QCOMPARE(PortDeviceName("ttyUSB0"), std::optional<QString>("/dev/ttyUSB0"));
        QCOMPARE(PortDeviceName(" /nowhere/port "), std::optional<QString>("/nowhere/port"));
        QCOMPARE(PortDeviceName("COM"), std::optional<QString>("/dev/COM"));
    }

    void linksAreFollowed()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("device");
        const QString link = dir.filePath("link");
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(target, link));
        QCOMPARE(PortDeviceName(link), std::optional<QString>(QFileInfo(target).canonicalFilePath()));
    }
};

QTEST_GUILESS_MAIN(TestPortName)
#include "test_port_name.moc"
