// `korvane-cli test loopback A:B` against the least number of exchanges that
// can localise every single fault of a loopback harness:
//  - the exchanges and commands it puts on the wire, and its median time;
//  - that it names the right pin and kind for every single fault the virtual
//    device can have: 32 stuck pins, 8 open wires and 112 shorts;
//  - a shortest known plan, checked to tell all those faults apart.
//
// Why 8 exchanges are too few and 9 are enough, for faults that change what
// pins read (a stuck pin, a short making two pins read the AND of their
// wires, an open wire leaving each end reading only itself):
//  - A fault on port B's pins alone does not change what port A reads, so
//    each port's reads must tell its own faults apart. A pin read k times
//    shows one of 2^k sequences; a stuck pin is only seen if its wire was
//    both high and low, and a short between two pins of one port only if
//    their wires differ; so the 8 wires need 8 different sequences other
//    than all-low and all-high: 2^k - 2 >= 8 gives k >= 4 reads of each port.
//  - A short A1:B2 and a short B1:B2 read the same on B2 and differ only in
//    which other pin reads wrong; that shows only if, at some setting, wire
//    1 is high while wire 2 is low, and the other way round for every pair:
//    no wire's sequence may lie below another's. Eight such sequences need
//    5 settings (the largest such family in 4 is 6).
//  - So at least 4 + 4 = 8 reads over at least 5 settings. A search over
//    8-read plans found none that separates all 153 cases (the best left two
//    pairs); the plan below does it with 9: five settings of the pins, port A
//    read after each, port B after the first four.
// usage: bench_loopback [RUNS]

#include "bare_exchange.h"
#include "tools/sim/virtual_device.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>

namespace {

// One setting of the plan: per wire 0..7, who drives it ('-' nobody, so it
// is pulled high) and its level; and whether port B is read as well as A.
struct Setting
{
    const char *drivers;
    const char *levels;
    bool readB;
};
constexpr Setting kLeastPlan[] = {
    {"--AABBAA", "11001001", true}, {"BBABAAAA", "10100010", true}, {"AABABBBB", "01010110", true},
    {"BAAAAABA", "00000101", true}, {"ABB-ABBA", "00111000", false},
};

std::uint8_t Mask(const char *text, char c)
{
    std::uint8_t mask = 0;
    for (int n = 0; n < 8; ++n)
        mask |= static_cast<std::uint8_t>((text[n] == c) << n);
    return mask;
}

std::vector<Harness> SingleFaults()
{
    Harness wired;
    wired.loopbackFrom = 0;
    wired.loopbackTo = 1;
    std::vector<Harness> faults{wired};
    for (int pin = 0; pin < 16; ++pin) {
        for (bool level : {false, true}) {
            faults.push_back(wired);
            faults.back().stuck[pin] = level;
        }
    }
    for (int n = 0; n < 8; ++n) {
        faults.push_back(wired);
        faults.back().openWires = static_cast<std::uint8_t>(1 << n);
    }
    for (int first = 0; first < 16; ++first) {
        for (int second = first + 1; second < 16; ++second) {
            if (first % 8 != second % 8) {
                faults.push_back(wired);
                faults.back().shorts = {{first, second}};
            }
        }
    }
    return faults;
}

// What the plan reads with the fault.
std::string PlanReadings(const Harness &fault)
{
    DeviceModel model;
    model.harness = fault;
    std::string readings;
    for (const Setting &setting : kLeastPlan) {
        const std::uint8_t levels = Mask(setting.levels, '1');
        for (int side : {0, 1}) {
            model.direction[side] = static_cast<std::uint8_t>(~Mask(setting.drivers, static_cast<char>('A' + side)));
            model.latch[side] = levels;
        }
        readings += static_cast<char>(model.Levels(0));
        if (setting.readB)
            readings += static_cast<char>(model.Levels(1));
    }
    return readings;
}

QString PinName(int pin)
{
    return QChar(u'A' + pin / 8) + QString::number(pin % 8);
}

// The faulty pins a report should name, as "A3 stuck at 0", "B1 shorted B5".
QStringList ExpectedReport(const Harness &fault)
{
    QStringList lines;
    for (const auto &[pin, level] : fault.stuck)
        lines << PinName(pin) + (level ? " stuck at 1" : " stuck at 0");
    for (int n = 0; n < 8; ++n) {
        if ((fault.openWires >> n) & 1)
            lines << PinName(n) + " open " + PinName(8 + n) << PinName(8 + n) + " open " + PinName(n);
    }
    for (const auto &[first, second] : fault.shorts)
        lines << PinName(first) + " shorted " + PinName(second) << PinName(second) + " shorted " + PinName(first);
    return lines;
}

QStringList Reported(const QByteArray &json)
{
    QStringList lines;
    for (const QJsonValue pin : QJsonDocument::fromJson(json)["pins"].toArray()) {
        if (pin["result"].toString() == "ok")
            continue;
        QStringList with;
        for (const QJsonValue other : pin["with"].toArray())
            with << other.toString();
        lines << (pin["pin"].toString() + ' ' + pin["result"].toString() + ' ' + with.join(',')).trimmed();
    }
    return lines;
}

QByteArray RunLoopbackTest(const std::string &device)
{
    FILE *pipe = ::popen((std::string(KORVANE_CLI) + " -p " + device + " test loopback A:B --json").c_str(), "r");
    QByteArray output;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, static_cast<qsizetype>(count));
    ::pclose(pipe);
    return output;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = NumberArgument(argc, argv, 1, 20);
    char stateHome[] = "/tmp/korvane-bench-XXXXXX";
    ::setenv("XDG_STATE_HOME", ::mkdtemp(stateHome), 1);

    // What one run puts on the wire, and how long runs take.
    SimOptions options;
    options.harness.loopbackFrom = 0;
    options.harness.loopbackTo = 1;
    VirtualDevice device(options);
    StartDevice(device);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        device.ClearReceived();
        const auto start = std::chrono::steady_clock::now();
        RunLoopbackTest(device.DevicePath());
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    DeviceModel decoder;
    int reads = 0, directions = 0, outputs = 0;
    const std::vector<std::uint8_t> received = device.Received();
    for (std::uint8_t byte : received) {
        std::string trace;
        decoder.Feed(byte, &trace);
        reads += trace.rfind("read", 0) == 0;
        directions += trace.rfind("direction", 0) == 0;
        outputs += trace.rfind("output", 0) == 0;
    }
    const std::size_t bytes = received.size() + reads;
    std::printf("korvane-cli test loopback A:B: %d read exchanges, %d direction and %d output commands, "
                "%zu bytes both ways (%.0f ms of line time at 9600 baud); median %.1f ms over %d runs\n",
                reads, directions, outputs, bytes, bytes * 10 / 9.6, times[runs / 2], runs);

    // Every single fault, through the real program.
    const std::vector<Harness> faults = SingleFaults();
    int localised = 0;
    for (const Harness &fault : faults) {
        SimOptions faulty;
        faulty.harness = fault;
        VirtualDevice faultyDevice(faulty);
        StartDevice(faultyDevice);
        const QStringList reported = Reported(RunLoopbackTest(faultyDevice.DevicePath()));
        if (reported == ExpectedReport(fault))
            ++localised;
        else
            std::printf("  not localised: expected %s, reported %s\n", qPrintable(ExpectedReport(fault).join("; ")),
                        qPrintable(reported.join("; ")));
    }
    std::printf("no fault and every single fault, reported with the right pins and kind: %d of %zu\n", localised,
                faults.size());

    std::set<std::string> distinct;
    for (const Harness &fault : faults)
        distinct.insert(PlanReadings(fault));
    int planReads = 0;
    for (const Setting &setting : kLeastPlan)
        planReads += 1 + setting.readB;
    // Each setting is sent as the window sends a state: three direction and
    // three output commands.
    const std::size_t planBytes = std::size(kLeastPlan) * (3 * 3 + 3 * 2) + 2 * planReads;
    std::printf("shortest known plan: %d read exchanges over %zu settings tell %zu of %zu cases apart, "
                "%zu bytes both ways (%.0f ms at 9600 baud); korvane-cli uses %.1f times as many exchanges\n",
                planReads, std::size(kLeastPlan), distinct.size(), faults.size(), planBytes, planBytes * 10 / 9.6,
                double(reads) / planReads);
    std::filesystem::remove_all(stateHome);
    return 0;
}
