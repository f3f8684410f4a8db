#include "tools/sim/sim_options.h"

#include <charconv>
#include <cstring>
#include <getopt.h>

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
    "  --double           answer each read request twice\n"
    "  --trace            print each decoded command on standard error\n"
    "  --loopback A:B     wire each pin of port A to the same pin of port B\n"
    "  --open A3          the loopback wire of pin A3 is broken\n"
    "  --fault A3=0       pin A3 always reads low (A3=1: always high)\n"
    "  --short B1:B2      pins B1 and B2 both read the AND of their wires\n"
    "  -h, --help         print this help and exit\n"
    "  -V, --version      print the version and exit\n"
    "\n"
    "A value follows its option as --walk 500 or --walk=500. --open, --fault and\n"
    "--short may be given several times.\n";

namespace {

bool ParseNumber(const std::string &text, int base, int &value)
{
    const char *end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value, base);
    return error == std::errc() && last == end && value >= 0;
}

// A port letter in either case: 0, 1 or 2; -1 for anything else.
int PortOf(char letter)
{
    const char upper = static_cast<char>(letter & ~0x20);
    return upper >= 'A' && upper <= 'C' ? upper - 'A' : -1;
}

// "A3": port letter and bit; the pin number, or -1.
int ParsePin(const std::string &text)
{
    if (text.size() != 2 || PortOf(text[0]) < 0 || text[1] < '0' || text[1] > '7')
        return -1;
    return PortOf(text[0]) * 8 + (text[1] - '0');
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
        if (PortOf(item[0]) < 0)
            return false;
        inputs[PortOf(item[0])] = static_cast<std::uint8_t>(value);
        start = comma + 1;
    }
    return true;
}

// "A3=0" or "A3=1".
bool ParseFault(const std::string &text, Harness &harness)
{
    const int pin = ParsePin(text.substr(0, 2));
    if (pin < 0 || text.size() != 4 || text[2] != '=' || (text[3] != '0' && text[3] != '1'))
        return false;
    harness.stuck[pin] = text[3] == '1';
    return true;
}

// "B1:B2", two different pins.
bool ParseShort(const std::string &text, Harness &harness)
{
    const int first = ParsePin(text.substr(0, 2));
    const int second = text.size() == 5 && text[2] == ':' ? ParsePin(text.substr(3)) : -1;
    if (first < 0 || second < 0 || first == second)
        return false;
    harness.shorts.emplace_back(first, second);
    return true;
}

// "A:B", two different ports.
bool ParseLoopback(const std::string &text, Harness &harness)
{
    if (text.size() != 3 || text[1] != ':' || PortOf(text[0]) < 0 || PortOf(text[2]) < 0
        || PortOf(text[0]) == PortOf(text[2]))
        return false;
    harness.loopbackFrom = PortOf(text[0]);
    harness.loopbackTo = PortOf(text[2]);
    return true;
}

// Takes an option: a switch turns on, a value is checked and kept.
bool ParseValue(const std::string &option, const std::string &value, SimOptions &options,
                std::vector<int> &openPins)
{
    for (auto [name, flag] : {std::pair{"--silent", &options.silent}, {"--double", &options.doubled},
                              {"--trace", &options.trace}, {"--help", &options.help}, {"--version", &options.version}}) {
        if (option == name)
            return *flag = true;
    }
    if (option == "--link") {
        options.link = value;
        return !value.empty();
    }
    if (option == "--inputs")
        return ParseInputs(value, options.inputs);
    if (option == "--walk")
        return ParseNumber(value, 10, options.walkMs);
    if (option == "--delay")
        return ParseNumber(value, 10, options.delayMs);
    if (option == "--fault")
        return ParseFault(value, options.harness);
    if (option == "--short")
        return ParseShort(value, options.harness);
    if (option == "--loopback")
        return ParseLoopback(value, options.harness);
    openPins.push_back(ParsePin(value));
    return openPins.back() >= 0;
}

// Every option but --help and --version is known by its long name alone.
const option kOptions[] = {
    {"link", required_argument, nullptr, 0},   {"inputs", required_argument, nullptr, 0},
    {"walk", required_argument, nullptr, 0},   {"delay", required_argument, nullptr, 0},
    {"fault", required_argument, nullptr, 0},  {"short", required_argument, nullptr, 0},
    {"loopback", required_argument, nullptr, 0}, {"open", required_argument, nullptr, 0},
    {"silent", no_argument, nullptr, 0},       {"double", no_argument, nullptr, 0},
    {"trace", no_argument, nullptr, 0},        {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},    {nullptr, 0, nullptr, 0},
};

} // namespace

std::string ParseSimOptions(const std::vector<std::string> &args, SimOptions &options)
{
    std::vector<std::string> words{"korvane-sim"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());
    // optind 0 starts getopt afresh; its own messages are replaced by ours.
    optind = 0;
    opterr = 0;
    std::vector<int> openPins;
    int index = 0;
    for (int found; (found = getopt_long(argc, argv.data(), ":hV", kOptions, &index)) != -1;) {
        // An unknown letter is in optopt; an unknown or misused long option is the argument itself.
        const bool letter = optopt && !std::strchr("hV", optopt);
        const std::string given = letter ? std::string("-") + char(optopt) : argv[optind - 1];
        if (found == '?')
            return "unknown option " + given;
        if (found == ':')
            return given + " needs a value";
        const std::string name = found == 'h' ? "--help" : found == 'V' ? "--version" : std::string("--") + kOptions[index].name;
        if (!ParseValue(name, optarg ? optarg : "", options, openPins))
            return "bad value for " + name + ": " + optarg;
    }
    if (optind < argc)
        return std::string("unexpected argument ") + argv[optind];
    const Harness &harness = options.harness;
    for (int pin : openPins) {
        if (pin / 8 != harness.loopbackFrom && pin / 8 != harness.loopbackTo)
            return "--open needs a --loopback that wires port " + std::string(1, static_cast<char>('A' + pin / 8));
        options.harness.openWires |= static_cast<std::uint8_t>(1u << (pin % 8));
    }
    return {};
}
