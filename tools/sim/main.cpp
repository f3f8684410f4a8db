// korvane-sim: a virtual KORVANE 24-line I/O device on a pseudo-terminal.

#include "res/version.h"
#include "tools/sim/virtual_device.h"

#include <cstdio>

int main(int argc, char **argv)
{
    SimOptions options;
    const std::string problem = ParseSimOptions({argv + 1, argv + argc}, options);
    if (!problem.empty()) {
        std::fprintf(stderr, "korvane-sim: %s (see korvane-sim --help)\n", problem.c_str());
        return 2;
    }
    if (options.help || options.version) {
        if (options.help)
            std::fputs(kSimUsage, stdout);
        else
            std::printf("korvane-sim %s\n", version::kVersion);
        return 0;
    }

    VirtualDevice device(options);
    std::string error;
    if (!device.Open(error)) {
        std::fprintf(stderr, "korvane-sim: %s\n", error.c_str());
        return 1;
    }
    device.StopOnSignals();

    std::printf("korvane-sim: device on %s\n", device.DevicePath().c_str());
    if (!options.link.empty())
        std::printf("korvane-sim: linked as %s\n", options.link.c_str());
    std::fflush(stdout);
    device.Run();
    return 0;
}
