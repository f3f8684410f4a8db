#pragma once

// The floor the benchmarks measure against: a pseudo-terminal opened raw with
// no library in between, and a timer for medians.

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

template <typename Exchange> double MedianMicroseconds(int rounds, Exchange exchange)
{
    using Clock = std::chrono::steady_clock;
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

inline int OpenRaw(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    return fd;
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
