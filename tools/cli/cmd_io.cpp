// read, set and sync.

#include "tools/cli/commands.h"
#include "tools/cli/console.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <vector>

namespace {

struct Reading
{
    PortIndex port;
    std::optional<std::uint8_t> levels;
};

QString ReadingsText(const std::vector<Reading> &readings, bool binary)
{
    QStringList parts;
    for (const Reading &reading : readings) {
        const QString value = !reading.levels ? QString(binary ? 8 : 2, u'-')
                              : binary        ? Binary(*reading.levels)
                                              : Hex(*reading.levels);
        parts << PortName(reading.port) + u'=' + value;
    }
    return parts.join(u' ');
}

QString ReadingsJson(const std::vector<Reading> &readings)
{
    QJsonObject object;
    for (const Reading &reading : readings)
        object.insert(PortName(reading.port), reading.levels ? QJsonValue(*reading.levels) : QJsonValue());
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

bool PortOperands(const QStringList &operands, std::vector<PortIndex> &ports, QString &error)
{
    for (const QString &operand : operands) {
        const std::optional<PortIndex> port = ParsePort(operand);
        if (!port) {
            error = QStringLiteral("%1 is not a port (A, B or C)").arg(Shown(operand));
            return false;
        }
        ports.push_back(*port);
    }
    if (ports.empty())
        ports = {0, 1, 2};
    return true;
}

int NoAnswer(const CommandContext &context, const QStringList &silentPorts)
{
    const QString ports = silentPorts.size() == 1 ? QStringLiteral("port ") : QStringLiteral("ports ");
    return context.Fail(kNoDevice, QStringLiteral("No answer from device on %1.").arg(ports + silentPorts.join(QStringLiteral(", "))));
}

int ReadCommand(CommandContext &context, const Arguments &sorted)
{
    const QString name = QStringLiteral("read");
    std::vector<PortIndex> ports;
    QString error;
    if (sorted.flags.size() > 1)
        error = QStringLiteral("--bin and --json exclude each other");
    if (!error.isEmpty() || !PortOperands(sorted.operands, ports, error))
        return context.Misuse(name, error);
    if (context.checkOnly)
        return kSuccess;
    if (const int status = context.device.Open())
        return status;

    std::vector<Reading> readings;
    QStringList silentPorts;
    for (PortIndex P : ports) {
        readings.push_back({P, context.device.Read(P)});
        if (!readings.back().levels)
            silentPorts << PortName(P);
    }
    PrintLine(sorted.flags.contains(QStringLiteral("--json")) ? ReadingsJson(readings)
                                                               : ReadingsText(readings, sorted.flags.contains(QStringLiteral("--bin"))));
    return silentPorts.isEmpty() ? kSuccess : NoAnswer(context, silentPorts);
}

int SetCommand(CommandContext &context, const Arguments &sorted)
{
    const QString name = QStringLiteral("set");
    const bool reset = sorted.flags.contains(QStringLiteral("--reset"));
    if (sorted.operands.isEmpty() && !reset)
        return context.Misuse(name, QStringLiteral("give at least one setting, or --reset"));
    PortState checked;
    for (const QString &setting : sorted.operands) {
        if (ApplySetting(setting, checked) == kNoSetting)
            return context.Misuse(name, QStringLiteral("%1 is not a setting").arg(Shown(setting)));
    }
    if (context.checkOnly)
        return kSuccess;
    if (const int status = context.device.Open())
        return status;

    PortState state = reset ? PortState() : context.device.DeviceState();
    int kinds = reset ? kDirections | kOutputs : kNoSetting;
    for (const QString &setting : sorted.operands)
        kinds |= ApplySetting(setting, state);
    if (const int status = context.device.Send(state, kinds))
        return status;
    return context.device.Remember();
}

int SyncCommand(CommandContext &context, const Arguments &args)
{
    if (!args.operands.isEmpty())
        return context.Misuse(QStringLiteral("sync"), QStringLiteral("unexpected ") + Shown(args.operands.front()));
    if (context.checkOnly)
        return kSuccess;
    if (const int status = context.device.Open())
        return status;
    return context.device.SendWhole(context.device.DeviceState());
}
