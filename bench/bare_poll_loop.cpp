// The floor of continuous polling: the three one-byte exchanges every 100 ms
// on a raw descriptor, with no library in between, for SECONDS seconds.
// Prints the CPU time the process used (all its threads), in seconds.
// usage: bare_poll_loop DEVICE SECONDS

#include "bare_exchange.h"

#include <cstdio>
#include <ctime>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bare_poll_loop DEVICE SECONDS\n");
        return 2;
    }
    const int fd = OpenRaw(argv[1]);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    const long ticks = NumberArgument(argc, argv, 2, 60) * 10L;
    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    for (long tick = 0; tick < ticks; ++tick) {
        next.tv_nsec += 100'000'000;
        if (next.tv_nsec >= 1'000'000'000) {
            next.tv_nsec -= 1'000'000'000;
            ++next.tv_sec;
        }
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        for (char request : {'a', 'b', 'c'})
            BareExchange(fd, request);
    }
    std::printf("%.6f\n", ProcessCpuSeconds());
    return 0;
}
