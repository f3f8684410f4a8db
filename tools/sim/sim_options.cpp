#include "tools/sim/sim_options.h"

#include <charconv>

const char *const kSimUsage =
    "Usage: korvane-sim [OPTION]...\n"
    "Runs a virtual KORVANE 24-line I/O device on a pseudo-terminal and prints\n"
    "its device name.\n"
    "\n"
    "Options:\n"
    "  --link PATH        also make a symbolic link PATH to the device (removed on\n"
    "                     exit)\n"
    "  --inputs A=xx,B=xx,C=xx\n"
    "                     input levels in hexadecimal, any of the ports in any\n"
    "                     order (default FF: pulled up)\n"
    "  --walk MS          change the input levels every MS milliseconds (walking one\n"
    "                     on A, counter on B, walking zero on C)\n"
    "  --delay MS         answer each read request MS milliseconds late\n"
    "  --silent           never answer\n"
    "  --trace            print each decoded command on standard error\n"
    "  --help             print this help and exit\n"
    "  --version          print the version and exit\n";

namespace {

bool ParseNumber(const std::string &text, int base, int &value)
{
    const char *end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value, base);
    return error == std::errc() && last == end && value >= 0;
}

// "A=xx,B=xx,C=xx", any subset and order, xx in hexadecimal.
bool ParseInputs(const std::string &text, DeviceModel::Ports &inputs)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        int value = 0;
        if (item.size() < 3 || item[1] != '=' || !ParseNumber(item.substr(2), 16, value) || value > 0xFF)
            return false;
        const char letter = static_cast<char>(item[0] & ~0x20);
        if (letter < 'A' || letter > 'C')
            return false;
        inputs[letter - 'A'] = static_cast<std::uint8_t>(value);
        start = comma + 1;
    }
    return true;
}

} // namespace

std::string ParseSimOptions(const std::vector<std::string> &args, SimOptions &options)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--silent") {
            options.silent = true;
            continue;
        }
        if (arg == "--trace") {
            options.trace = true;
            continue;
        }
        if (arg == "--help" || arg == "--version") {
            (arg == "--help" ? options.help : options.version) = true;
            continue;
        }
        if (arg != "--link" && arg != "--inputs" && arg != "--walk" && arg != "--delay")
            return "unknown option " + arg;
        if (i + 1 == args.size())
            return arg + " needs a value";
        const std::string &value = args[++i];
        bool ok = true;
        if (arg == "--link")
            options.link = value;
        else if (arg == "--inputs")
            ok = ParseInputs(value, options.inputs);
        else
            ok = ParseNumber(value, 10, arg == "--walk" ? options.walkMs : options.delayMs);
        if (!ok || value.empty())
            return "bad value for " + arg + ": " + value;
    }
    return {};
}
