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

// Indexed by PinVerdict::Kind.
const char *const kKindTexts[] = {"ok", "stuck at 0", "stuck at 1", "open", "shorted", "erratic"};

QStringList PinNames(const std::vector<int> &pins)
{
    QStringList names;
    for (int pin : pins)
        names << PinName(pin);
    return names;
}

// Prints the verdicts as a table or as JSON; status 1 when any pin is faulty.
int PrintReport(const QString &test, const std::map<int, PinVerdict> &verdicts, bool json)
{
    int faulty = 0;
    QJsonArray pins;
    QStringList table{QStringLiteral("pin  result")};
    for (const auto &[pin, verdict] : verdicts) {
        faulty += verdict.kind != PinVerdict::Kind::Ok;
        const QString kind = QLatin1String(kKindTexts[static_cast<int>(verdict.kind)]);
        const QStringList partners = PinNames(verdict.partners);
        QJsonObject entry{{"pin", PinName(pin)}, {"result", kind}};
        if (!partners.isEmpty())
            entry.insert(QStringLiteral("with"), QJsonArray::fromStringList(partners));
        pins.append(entry);
        const QString with = partners.join(QStringLiteral(", "));
        table << PinName(pin).leftJustified(5) + kind
                     + (verdict.kind == PinVerdict::Kind::Shorted ? QStringLiteral(" to ") + with
                        : verdict.kind == PinVerdict::Kind::Open  ? QStringLiteral(" (wire to ") + with + u')'
                                                                  : QString());
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
    CPinTester &tester = device.Tester();
    for (int n = 0; n < kPinsPerPort; ++n) {
        diagnosis.AddPin(first * kPinsPerPort + n, n);
        diagnosis.AddPin(second * kPinsPerPort + n, n);
    }
    for (const auto &[driver, receiver] : {std::pair{first, second}, std::pair{second, first}}) {
        tester.m_portDir[first] = tester.m_portDir[second] = kAllInputs;
        if (const int status = device.Send(kDirections, std::to_array(tester.m_portDir)))
            return status;
        const auto before = std::to_array(tester.m_portDir);
        tester.m_portDir[driver] = kAllOutputs;
        int kinds = kDirections | kOutputs;
        for (std::uint32_t pattern : WalkingPatterns(kPinsPerPort)) {
            tester.m_portOut[driver] = static_cast<std::uint8_t>(pattern);
            if (const int status = device.Send(kinds, before))
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
    CPinTester &tester = device.Tester();
    const auto before = std::to_array(tester.m_portDir);
    std::vector<int> pins;
    for (PortIndex P : ports) {
        tester.m_portDir[P] = kAllOutputs;
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
            std::uint8_t &out = tester.m_portOut[pin / kPinsPerPort];
            out = static_cast<std::uint8_t>(high ? out | (1 << pin % kPinsPerPort) : out & ~(1 << pin % kPinsPerPort));
        }
        if (const int status = device.Send(kinds, before))
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

} // namespace

int TestCommand(CommandContext &context, const Arguments &sorted)
{
    const QString name = QStringLiteral("test");
    const QString kind = sorted.operands.value(0);
    const QStringList operands = sorted.operands.mid(1);
    const QStringList pair = operands.value(0).split(u':');
    const std::optional<PortIndex> first = ParsePort(pair.value(0)), second = ParsePort(pair.value(1));
    std::vector<PortIndex> ports;
    QString error, title = kind;
    if (kind == u"loopback") {
        if (operands.size() != 1 || pair.size() != 2 || !first || !second || *first == *second)
            return context.Misuse(name, QStringLiteral("loopback needs two different ports, as in A:B"));
        title += u' ' + operands.front().toUpper();
    } else if (kind == u"readback") {
        if (!PortOperands(operands, ports, error))
            return context.Misuse(name, error);
        std::sort(ports.begin(), ports.end());
        ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
        for (PortIndex P : ports)
            title += u' ' + PortName(P);
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
    CPinTester &tester = context.device.Tester();
    const auto rememberedDir = std::to_array(tester.m_portDir);
    const auto rememberedOut = std::to_array(tester.m_portOut);
    PinDiagnosis diagnosis;
    const int status = kind == u"loopback" ? Loopback(context, interruptions, *first, *second, diagnosis)
                                           : Readback(context, interruptions, ports, diagnosis);
    const auto before = std::to_array(tester.m_portDir);
    std::ranges::copy(rememberedDir, tester.m_portDir);
    std::ranges::copy(rememberedOut, tester.m_portOut);
    const int restored = context.device.Send(kDirections | kOutputs, before);
    if (const int signal = interruptions.Signal()) {
        const QString how = restored == kSuccess ? QStringLiteral("the remembered state was sent again")
                                                 : QStringLiteral("the remembered state could not be sent");
        return context.Fail(128 + signal, QStringLiteral("test interrupted by signal %1; %2").arg(signal).arg(how));
    }
    if (status != kSuccess || restored != kSuccess)
        return status != kSuccess ? status : restored;
    return PrintReport(title, diagnosis.Verdicts(), sorted.flags.contains(QStringLiteral("--json")));
}
