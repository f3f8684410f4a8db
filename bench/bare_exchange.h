#pragma once

// The floor the benchmarks measure against: a pseudo-terminal opened raw with
// no library in between, and a timer for medians.

#include "tools/sim/virtual_device.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

// Medians of two exchanges timed in alternation, so that both meet the same
// conditions of the machine. `settle` runs untimed after each round, as the
// idle time between a user's clicks would.
template <typename Floor, typename Measured, typename Settle = void (*)()>
std::pair<double, double> AlternatingMediansUs(int rounds, Floor floor, Measured measured, Settle settle = [] {})
{
    using Clock = std::chrono::steady_clock;
    std::vector<double> floorTimes, measuredTimes;
    auto time = [](auto exchange) {
        const Clock::time_point start = Clock::now();
        exchange();
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    };
    for (int i = 0; i < rounds; ++i) {
        floorTimes.push_back(time(floor));
        measuredTimes.push_back(time(measured));
        settle();
    }
    auto median = [rounds](std::vector<double> &times) {
        std::nth_element(times.begin(), times.begin() + rounds / 2, times.end());
        return times[rounds / 2];
    };
    return {median(floorTimes), median(measuredTimes)};
}

// CPU time used so far by all threads of this process.
inline double ProcessCpuSeconds()
{
    timespec used{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return used.tv_sec + used.tv_nsec / 1e9;
}

// The terminal opened raw, or -1.
inline int OpenRaw(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return fd;
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    return fd;
}

// The argument at `index` as a positive number, or the default.
inline int NumberArgument(int argc, char **argv, int index, int fallback)
{
    return argc > index ? std::max(1, std::atoi(argv[index])) : fallback;
}

// Starts the device on a thread of its own; ends the program if it cannot.
inline void StartDevice(VirtualDevice &device)
{
    std::string error;
    if (!device.Open(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    device.Start();
}

// Starts the device and opens the floor's bare descriptor on it. It is opened
// before the tester's port: an exclusive open only refuses later ones.
inline int StartDeviceAndOpenRaw(VirtualDevice &device)
{
    StartDevice(device);
    return OpenRaw(device.DevicePath());
}

// One request byte out, one answer byte back (0xFF after 50 ms of silence).
inline unsigned char BareExchange(int fd, char request)
{
    unsigned char answer = 0xFF;
    if (::write(fd, &request, 1) == 1) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 50) == 1 && ::read(fd, &answer, 1) != 1)
            answer = 0xFF;
    }
    return answer;
}
