// One ReadPort round trip against the virtual device, beside the floor: a bare
// write-one-byte / read-one-byte exchange on a pseudo-terminal with the same
// device. Prints both medians and their ratio.

#include "tester/pin_tester.h"
#include "tools/sim/virtual_device.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

template <typename Exchange> double MedianMicroseconds(int rounds, Exchange exchange)
{
    std::vector<double> times;
    times.reserve(rounds);
    for (int i = 0; i < rounds; ++i) {
        const Clock::time_point start = Clock::now();
        exchange();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + rounds / 2, times.end());
    return times[rounds / 2];
}

// The floor: the port opened raw with no library in between.
int OpenRaw(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    return fd;
}

unsigned char BareExchange(int fd)
{
    const char request = 'a';
    unsigned char answer = 0xFF;
    if (::write(fd, &request, 1) == 1) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, CPinTester::kReadTimeoutMs) == 1 && ::read(fd, &answer, 1) != 1)
            answer = 0xFF;
    }
    return answer;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;

    VirtualDevice device;
    std::string error;
    if (!device.Open(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    device.Start();

    const int fd = OpenRaw(device.DevicePath());
    const double floorUs = MedianMicroseconds(rounds, [fd] { BareExchange(fd); });
    ::close(fd);

    CPinTester tester;
    if (tester.m_serial.Open(QString::fromStdString(device.DevicePath()), CPinTester::kLineSettings,
                             CPinTester::kReadTimeoutMs) != 1) {
        std::fprintf(stderr, "cannot open %s\n", device.DevicePath().c_str());
        return 1;
    }
    const double readPortUs = MedianMicroseconds(rounds, [&tester] { tester.ReadPort(0); });

    std::printf("rounds %d\nbare exchange median %.1f us\nReadPort median %.1f us\nratio %.2f\n", rounds, floorUs,
                readPortUs, readPortUs / floorUs);
    return 0;
}
