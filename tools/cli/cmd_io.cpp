// read, set and sync.

#include "tools/cli/commands.h"
#include "tools/cli/console.h"

#include <QJsonDocument>
#include <QJsonObject>

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

    const bool binary = sorted.flags.contains(QStringLiteral("--bin"));
    QStringList texts, silentPorts;
    QJsonObject json;  // null for a port that did not answer
    for (PortIndex P : ports) {
        const std::optional<std::uint8_t> levels = context.device.Read(P);
        texts << PortName(P) + u'=' + (!levels ? QString(binary ? 8 : 2, u'-') : binary ? Binary(*levels) : Hex(*levels));
        json.insert(PortName(P), levels ? QJsonValue(*levels) : QJsonValue());
        if (!levels)
            silentPorts << PortName(P);
    }
    PrintLine(sorted.flags.contains(QStringLiteral("--json")) ? QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact))
                                                               : texts.join(u' '));
    return silentPorts.isEmpty() ? kSuccess : NoAnswer(context, silentPorts);
}

int SetCommand(CommandContext &context, const Arguments &sorted)
{
    const QString name = QStringLiteral("set");
    const bool reset = sorted.flags.contains(QStringLiteral("--reset"));
    if (sorted.operands.isEmpty() && !reset)
        return context.Misuse(name, QStringLiteral("give at least one setting, or --reset"));
    PortBytes checkedDir{}, checkedOut{};
    for (const QString &setting : sorted.operands) {
        if (ApplySetting(setting, checkedDir, checkedOut) == kNoSetting)
            return context.Misuse(name, QStringLiteral("%1 is not a setting").arg(Shown(setting)));
    }
    if (context.checkOnly)
        return kSuccess;
    if (const int status = context.device.Open())
        return status;

    CPinTester &tester = context.device.Tester();
    const auto before = std::to_array(tester.m_portDir);
    if (reset)
        tester.Reset();
    int kinds = reset ? kDirections | kOutputs : kNoSetting;
    for (const QString &setting : sorted.operands)
        kinds |= ApplySetting(setting, tester.m_portDir, tester.m_portOut);
    if (const int status = context.device.Send(kinds, before))
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
    // Nothing changes direction, so directions go first, as Connect sends them.
    return context.device.Send(kDirections | kOutputs, std::to_array(context.device.Tester().m_portDir));
}
