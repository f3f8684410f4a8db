/* The floor for `korvane-cli watch`: a loop in plain C on the bare descriptor
 * that makes the same three exchanges every 100 ms and prints the pins that
 * changed. usage: bare_watch DEVICE SECONDS */

#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    int fd = open(argv[1], O_RDWR | O_NOCTTY);
    struct termios raw;
    if (fd < 0 || tcgetattr(fd, &raw) != 0)
        return 3;
    cfmakeraw(&raw);
    cfsetspeed(&raw, B9600);
    tcsetattr(fd, TCSANOW, &raw);

    const long long periodNs = 100000000LL;
    const long long durationNs = atoll(argv[2]) * 1000000000LL;
    struct timespec start, next;
    clock_gettime(CLOCK_MONOTONIC, &start);
    next = start;
    unsigned char last[3];
    int known = 0;
    for (long long elapsed = 0; elapsed < durationNs; elapsed += periodNs) {
        for (int port = 0; port < 3; ++port) {
            const char request = (char)('a' + port);
            unsigned char answer = 0xFF;
            struct pollfd ready = {fd, POLLIN, 0};
            if (write(fd, &request, 1) != 1 || poll(&ready, 1, 50) != 1 || read(fd, &answer, 1) != 1)
                continue;
            for (int pin = 0; known && pin < 8; ++pin) {
                if (((last[port] ^ answer) >> pin) & 1)
                    printf("%c%d %d -> %d\n", 'A' + port, pin, (last[port] >> pin) & 1, (answer >> pin) & 1);
            }
            last[port] = answer;
        }
        known = 1;
        fflush(stdout);
        next.tv_nsec += periodNs;
        if (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, NULL);
    }
    close(fd);
    return 0;
}
