// The floor for `korvane-cli read` as a whole process: a Qt Core program that
// opens the same port with the same line settings and makes the same three
// exchanges, and nothing else.
// usage: minimal_read DEVICE

#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QSerialPort port(QString::fromLocal8Bit(argv[1]));
    if (!port.open(QIODevice::ReadWrite) || !port.setBaudRate(9600))
        return 3;
    for (const char request : {'a', 'b', 'c'}) {
        port.write(&request, 1);
        port.waitForBytesWritten(1000);
        char answer = 0;
        if (port.bytesAvailable() || port.waitForReadyRead(50))
            port.read(&answer, 1);
        std::printf("%c=%02X ", request - 'a' + 'A', static_cast<unsigned char>(answer));
    }
    std::printf("\n");
    return 0;
}
