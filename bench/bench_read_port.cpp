// One ReadPort round trip against the virtual device, beside the floor: a bare
// write-one-byte / read-one-byte exchange on the same pseudo-terminal with
// the same device, timed in alternation. Prints both medians and their ratio.
// usage: bench_read_port [ROUNDS]

#include "bare_exchange.h"
#include "tester/pin_tester.h"
#include "tools/sim/virtual_device.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = NumberArgument(argc, argv, 1, 2000);

    VirtualDevice device;
    const int fd = StartDeviceAndOpenRaw(device);
    CPinTester tester;
    if (tester.m_serial.Open(QString::fromStdString(device.DevicePath()), CPinTester::kLineSettings,
                             CPinTester::kReadTimeoutMs) != 1) {
        std::fprintf(stderr, "cannot open %s\n", device.DevicePath().c_str());
        return 1;
    }
    const auto [floorUs, readPortUs] =
        AlternatingMediansUs(rounds, [fd] { BareExchange(fd, 'a'); }, [&tester] { tester.ReadPort(0); });
    std::printf("rounds %d\nbare exchange median %.1f us\nReadPort median %.1f us\nratio %.2f\n", rounds, floorUs,
                readPortUs, readPortUs / floorUs);
    ::close(fd);
    return 0;
}
