#include "device/port_name.h"
#include "device/serial_port.h"
#include "raw_pty.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

constexpr int kReadTimeoutMs = 50;

int OpenPort(CSerialPort &port, const QString &text, const char *settings = "9600")
{
    const std::optional<QString> device = PortDeviceName(text);
    return device ? port.Open(*device, settings, kReadTimeoutMs) : -1;
}

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void opensAndClosesAPseudoTerminal()
    {
        RawPty pty;
        CSerialPort port;
        QCOMPARE(OpenPort(port, pty.Path()), 1);
        QVERIFY(port.IsOpen());
        port.Close();
        QVERIFY(!port.IsOpen());
        QCOMPARE(port.Write("a", 1), -1);
        QCOMPARE(port.ReadByte(), 0xFF);
        QCOMPARE(OpenPort(port, pty.Path()), 1);
    }

    void failuresLeaveThePortClosed()
    {
        RawPty pty;
        CSerialPort port;
        QCOMPARE(OpenPort(port, "/dev/korvane-missing"), -1);
        QVERIFY(!port.IsOpen());
        QCOMPARE(OpenPort(port, pty.Path(), "fast"), -2);
        QVERIFY(!port.IsOpen());
        QCOMPARE(OpenPort(port, pty.Path(), ""), -2);
        // A failed open released the device: it opens now.
        QCOMPARE(OpenPort(port, pty.Path()), 1);
    }

    void openIsExclusive()
    {
        RawPty pty;
        CSerialPort first;
        CSerialPort second;
        QCOMPARE(OpenPort(first, pty.Path()), 1);
        QCOMPARE(OpenPort(second, pty.Path()), -1);
        QVERIFY(!second.IsOpen());
        QCOMPARE(first.Write("x", 1), 1);
        QCOMPARE(pty.Receive(1), QByteArray("x"));
        first.Close();
        QCOMPARE(OpenPort(second, pty.Path()), 1);
    }

    void destroyingThePortClosesIt()
    {
        RawPty pty;
        {
            CSerialPort port;
            QCOMPARE(OpenPort(port, pty.Path()), 1);
        }
        CSerialPort again;
        QCOMPARE(OpenPort(again, pty.Path()), 1);
    }

    void everyByteArrivesExactly()
    {
        RawPty pty;
        CSerialPort port;
        QCOMPARE(OpenPort(port, pty.Path()), 1);
        QByteArray all;
        for (int value = 0; value < 256; ++value)
            all.append(static_cast<char>(value));
        for (int start = 0; start < all.size(); start += 3) {
            const QByteArray chunk = all.mid(start, 3);
            QCOMPARE(port.Write(chunk.constData(), static_cast<short>(chunk.size())), chunk.size());
        }
        QCOMPARE(pty.Receive(256), all);

        pty.Send(all);
        QByteArray read;
        for (int i = 0; i < 256; ++i)
            read.append(static_cast<char>(port.ReadByte()));
        QCOMPARE(read, all);
    }

    void readTiming()
    {
        RawPty pty;
        CSerialPort port;
        QCOMPARE(OpenPort(port, pty.Path()), 1);
        QElapsedTimer clock;

        clock.start();
        QCOMPARE(port.ReadByte(), 0xFF);
        const qint64 silentMs = clock.elapsed();
        QVERIFY2(silentMs >= 45 && silentMs < 150, qPrintable(QString::number(silentMs)));

        pty.Send("\x5a");
        QTest::qWait(20);
        clock.start();
        QCOMPARE(port.ReadByte(), 0x5A);
        QVERIFY(clock.elapsed() < 10);

        // A second read after a time-out still works: the time-out is no error.
        pty.Send("\x01");
        QCOMPARE(port.ReadByte(), 0x01);
    }

    void discardInputDropsWaitingBytes()
    {
        RawPty pty;
        CSerialPort port;
        QCOMPARE(OpenPort(port, pty.Path()), 1);
        pty.Send("\x11\x22");
        QTest::qWait(20);
        port.DiscardInput();
        pty.Send("\x33");
        QCOMPARE(port.ReadByte(), 0x33);
    }

    void aWriteThatCannotFinishFailsWithinASecond()
    {
        RawPty pty;
        CSerialPort port;
        QCOMPARE(OpenPort(port, pty.Path()), 1);
        const QByteArray chunk(3000, 'z');
        QElapsedTimer clock;
        int result = 0;
        qint64 failedAfterMs = 0;
        for (int i = 0; i < 200 && result != -1; ++i) {
            clock.start();
            result = port.Write(chunk.constData(), static_cast<short>(chunk.size()));
            failedAfterMs = clock.elapsed();
        }
        QCOMPARE(result, -1);
        QVERIFY2(failedAfterMs >= 900 && failedAfterMs < 3000, qPrintable(QString::number(failedAfterMs)));
        QVERIFY(port.IsOpen());
    }
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "test_serial_port.moc"
