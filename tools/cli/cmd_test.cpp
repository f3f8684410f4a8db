// test loopback and test readback.

#include "tools/cli/commands.h"
#include "tools/cli/console.h"
#include "tools/cli/interruptions.h"
#include "tools/cli/pin_diagnosis.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr std::uint8_t kAllInputs = 0xFF;
constexpr std::uint8_t kAllOutputs = 0x00;

// Walking ones and then walking zeros over `count` positions.
std::vector<std::uint32_t> WalkingPatterns(int count)
{
    std::vector<std::uint32_t> patterns;
    const std::uint32_t all = (1u << count) - 1;
    for (bool zeros : {false, true}) {
        for (int k = 0; k < count; ++k)
            patterns.push_back(zeros ? all & ~(1u << k) : 1u << k);
    }
    return patterns;
}

const char *KindText(PinVerdict::Kind kind)
{
    switch (kind) {
    case PinVerdict::Kind::Ok: return "ok";
    case PinVerdict::Kind::StuckAt0: return "stuck at 0";
    case PinVerdict::Kind::StuckAt1: return "stuck at 1";
    case PinVerdict::Kind::Open: return "open";
    case PinVerdict::Kind::Shorted: return "shorted";
    case PinVerdict::Kind::Erratic: return "erratic";
    }
    return "";
}

QStringList PinNames(const std::vector<int> &pins)
{
    QStringList names;
    for (int pin : pins)
        names << PinName(pin);
    return names;
}

QString ResultText(const PinVerdict &verdict)
{
    const QString kind = QLatin1String(KindText(verdict.kind));
    if (verdict.kind == PinVerdict::Kind::Shorted)
        return kind + QStringLiteral(" to ") + PinNames(verdict.partners).join(QStringLiteral(", "));
    if (verdict.kind == PinVerdict::Kind::Open)
        return kind + QStringLiteral(" (wire to ") + PinNames(verdict.partners).join(QStringLiteral(", ")) + u')';
    return kind;
}

// Prints the verdicts as a table or as JSON; status 1 when any pin is faulty.
int PrintReport(const QString &test, const std::map<int, PinVerdict> &verdicts, bool json)
{
    int faulty = 0;
    QJsonArray pins;
    QStringList table{QStringLiteral("pin  result")};
    for (const auto &[pin, verdict] : verdicts) {
        faulty += verdict.kind != PinVerdict::Kind::Ok;
        QJsonObject entry{{"pin", PinName(pin)}, {"result", KindText(verdict.kind)}};
        if (!verdict.partners.empty())
            entry.insert(QStringLiteral("with"), QJsonArray::fromStringList(PinNames(verdict.partners)));
        pins.append(entry);
        table << PinName(pin).leftJustified(5) + ResultText(verdict);
    }
    const int count = static_cast<int>(verdicts.size());
    if (json) {
        const QJsonObject report{{"test", test}, {"pins", pins}, {"faulty", faulty}};
        PrintLine(QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Compact)));
    } else {
        table << (faulty ? QStringLiteral("%1: %2 of %3 pins faulty").arg(test).arg(faulty).arg(count)
                         : QStringLiteral("%1: all %2 pins ok").arg(test).arg(count));
        for (const QString &line : table)
            PrintLine(line);
    }
    return faulty ? kCheckFailed : kSuccess;
}

// Reads the port into the diagnosis; kNoDevice after reporting it when the
// device did not answer.
int ReadInto(const CommandContext &context, PortIndex P, PinDiagnosis &diagnosis)
{
    const std::optional<std::uint8_t> levels = context.device.Read(P);
    if (!levels)
        return NoAnswer(context, {PortName(P)});
    for (int n = 0; n < kPinsPerPort; ++n)
        diagnosis.Reading(P * kPinsPerPort + n, (*levels >> n) & 1);
    return kSuccess;
}

// Drives walking ones and zeros from each side of the loopback in turn and
// reads the other side. Both sides are made inputs before a side starts to
// drive, so the two never drive one wire against each other. A wire is the
// pair of pins with the same number. An interruption ends it early.
int Loopback(const CommandContext &context, const Interruptions &interruptions, PortIndex first, PortIndex second,
             PinDiagnosis &diagnosis)
{
    DeviceSession &device = context.device;
    for (int n = 0; n < kPinsPerPort; ++n) {
        diagnosis.AddPin(first * kPinsPerPort + n, n);
        diagnosis.AddPin(second * kPinsPerPort + n, n);
    }
    PortState state = device.DeviceState();
    for (const auto &[driver, receiver] : {std::pair{first, second}, std::pair{second, first}}) {
        state.dir[first] = state.dir[second] = kAllInputs;
        if (const int status = device.Send(state, kDirections))
            return status;
        state.dir[driver] = kAllOutputs;
        int kinds = kDirections | kOutputs;
        for (std::uint32_t pattern : WalkingPatterns(kPinsPerPort)) {
            state.out[driver] = static_cast<std::uint8_t>(pattern);
            if (const int status = device.Send(state, kinds))
                return status;
            kinds = kOutputs;
            diagnosis.Step(pattern);
            if (const int status = ReadInto(context, receiver, diagnosis))
                return status;
            if (interruptions.Signal())
                return kSuccess;
        }
    }
    return kSuccess;
}

// Makes every pin of the ports an output and walks a one and then a zero
// across all of them together, reading every port at each step, so that a
// pin shorted to any other pin tested shows. A wire is one pin. An
// interruption ends it early.
int Readback(const CommandContext &context, const Interruptions &interruptions, const std::vector<PortIndex> &ports,
             PinDiagnosis &diagnosis)
{
    DeviceSession &device = context.device;
    std::vector<int> pins;
    PortState state = device.DeviceState();
    for (PortIndex P : ports) {
        state.dir[P] = kAllOutputs;
        for (int n = 0; n < kPinsPerPort; ++n) {
            pins.push_back(P * kPinsPerPort + n);
            diagnosis.AddPin(pins.back(), pins.back());
        }
    }
    int kinds = kDirections | kOutputs;
    for (std::uint32_t pattern : WalkingPatterns(static_cast<int>(pins.size()))) {
        std::uint32_t wireLevels = 0;
        for (std::size_t i = 0; i < pins.size(); ++i) {
            const int pin = pins[i];
            const bool high = (pattern >> i) & 1;
            wireLevels |= static_cast<std::uint32_t>(high) << pin;
            std::uint8_t &out = state.out[pin / kPinsPerPort];
            out = static_cast<std::uint8_t>(high ? out | (1 << pin % kPinsPerPort) : out & ~(1 << pin % kPinsPerPort));
        }
        if (const int status = device.Send(state, kinds))
            return status;
        kinds = kOutputs;
        diagnosis.Step(wireLevels);
        for (PortIndex P : ports) {
            if (const int status = ReadInto(context, P, diagnosis))
                return status;
        }
        if (interruptions.Signal())
            return kSuccess;
    }
    return kSuccess;
}

// "A:B": two different ports.
bool ParsePortPair(const QString &text, PortIndex &first, PortIndex &second)
{
    const QStringList parts = text.split(u':');
    if (parts.size() != 2 || !ParsePort(parts[0]) || !ParsePort(parts[1]))
        return false;
    first = *ParsePort(parts[0]);
    second = *ParsePort(parts[1]);
    return first != second;
}

} // namespace

int TestCommand(CommandContext &context, const Arguments &sorted)
{
    const QString name = QStringLiteral("test");
    const QString kind = sorted.operands.value(0);
    const QStringList operands = sorted.operands.mid(1);
    PortIndex first = 0, second = 0;
    std::vector<PortIndex> ports;
    QString error;
    if (kind == u"loopback") {
        if (operands.size() != 1 || !ParsePortPair(operands.front(), first, second))
            return context.Misuse(name, QStringLiteral("loopback needs two different ports, as in A:B"));
    } else if (kind == u"readback") {
        if (!PortOperands(operands, ports, error))
            return context.Misuse(name, error);
        std::sort(ports.begin(), ports.end());
        ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    } else {
        return context.Misuse(name, QStringLiteral("name the test: loopback or readback"));
    }
    if (context.checkOnly)
        return kSuccess;
    if (const int status = context.device.Open())
        return status;

    // Ctrl-C, SIGTERM and SIGHUP end the test early, in scripts too, but the
    // remembered state is always sent again.
    const Interruptions interruptions(true, true);
    const PortState remembered = context.device.DeviceState();
    PinDiagnosis diagnosis;
    const int status = kind == u"loopback" ? Loopback(context, interruptions, first, second, diagnosis)
                                           : Readback(context, interruptions, ports, diagnosis);
    const int restored = context.device.Send(remembered, kDirections | kOutputs);
    if (const int signal = interruptions.Signal()) {
        const QString how = restored == kSuccess ? QStringLiteral("the remembered state was sent again")
                                                 : QStringLiteral("the remembered state could not be sent");
        return context.Fail(128 + signal, QStringLiteral("test interrupted by signal %1; %2").arg(signal).arg(how));
    }
    if (status != kSuccess || restored != kSuccess)
        return status != kSuccess ? status : restored;
    QString title = kind;
    if (kind == u"loopback") {
        title += u' ' + PortName(first) + u':' + PortName(second);
    } else {
        for (PortIndex P : ports)
            title += u' ' + PortName(P);
    }
    return PrintReport(title, diagnosis.Verdicts(), sorted.flags.contains(QStringLiteral("--json")));
}
