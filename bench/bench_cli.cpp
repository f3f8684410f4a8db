// korvane-cli against its floors, each pair measured in the same run:
//  - `korvane-cli read` as a whole process against minimal_read, a Qt Core
//    program that makes the same three exchanges (medians of alternate runs);
//  - the CPU share of `korvane-cli watch` at 100 ms against bare_watch, a
//    plain C loop making the same exchanges, both running side by side for
//    the same time on virtual devices of their own.
// usage: bench_cli [READ_ROUNDS] [WATCH_SECONDS]

#include "bare_exchange.h"
#include "child_process.h"
#include "tools/sim/virtual_device.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char **argv)
{
    const int rounds = NumberArgument(argc, argv, 1, 200);
    const int watchSeconds = NumberArgument(argc, argv, 2, 60);
    char stateHome[] = "/tmp/korvane-bench-XXXXXX";
    ::setenv("XDG_STATE_HOME", ::mkdtemp(stateHome), 1);

    VirtualDevice device;
    StartDevice(device);
    const std::string path = device.DevicePath();
    const auto [floorUs, cliUs] = AlternatingMediansUs(
        rounds, [&] { RunMs({KORVANE_MINIMAL_READ, path}); }, [&] { RunMs({KORVANE_CLI, "-p", path, "read"}); });
    std::printf("read, %d rounds: minimal Qt Core program median %.2f ms, korvane-cli median %.2f ms, ratio %.2f\n",
                rounds, floorUs / 1000, cliUs / 1000, cliUs / floorUs);

    SimOptions walking;
    walking.walkMs = 1000;
    VirtualDevice cliDevice(walking), bareDevice(walking);
    StartDevice(cliDevice);
    StartDevice(bareDevice);
    const std::string seconds = std::to_string(watchSeconds);
    const pid_t cli = Spawn({KORVANE_CLI, "-p", cliDevice.DevicePath(), "watch", "--duration", seconds});
    const pid_t bare = Spawn({KORVANE_BARE_WATCH, bareDevice.DevicePath(), seconds});
    double cliCpu = 0, bareCpu = 0;
    Finish(cli, &cliCpu);
    Finish(bare, &bareCpu);
    std::printf("watch, %d s at 100 ms: bare C loop %.3f s CPU (%.3f%%), korvane-cli %.3f s CPU (%.3f%%), ratio %.2f\n",
                watchSeconds, bareCpu, 100 * bareCpu / watchSeconds, cliCpu, 100 * cliCpu / watchSeconds, cliCpu / bareCpu);
    std::printf("polls seen by the devices: bare C loop %zu, korvane-cli %zu\n", bareDevice.Received().size() / 3,
                cliDevice.Received().size() / 3);
    std::filesystem::remove_all(stateHome);
    return 0;
}
