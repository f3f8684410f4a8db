// list: the serial ports present.

#include "device/port_list.h"
#include "tools/cli/commands.h"
#include "tools/cli/console.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A value that is not known is null, never an empty text.
QJsonObject EntryObject(const PortListEntry &port)
{
    QJsonObject object{{"name", port.name},
                       {"path", port.path},
                       {"stableName", port.stableName},
                       {"description", port.description},
                       {"manufacturer", port.manufacturer},
                       {"serialNumber", port.serialNumber},
                       {"usbId", port.usbId}};
    for (QJsonValueRef value : object) {
        if (value.toString().isEmpty())
            value = QJsonValue::Null;
    }
    return object;
}

} // namespace

int ListCommand(CommandContext &context, const Arguments &sorted)
{
    if (!sorted.operands.isEmpty())
        return context.Misuse(QStringLiteral("list"), QStringLiteral("unexpected ") + Shown(sorted.operands.front()));
    if (context.checkOnly)
        return kSuccess;
    const QList<PortListEntry> ports = PresentPorts();
    if (sorted.flags.contains(QStringLiteral("--json"))) {
        QJsonArray array;
        for (const PortListEntry &port : ports)
            array.append(EntryObject(port));
        PrintLine(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)));
        return kSuccess;
    }
    // As the window lists them: each port under its short and its stable name.
    for (const PortChoice &choice : PortChoices(ports))
        PrintLine(QStringList{choice.text, choice.identification}.join(QStringLiteral("  ")).trimmed());
    return kSuccess;
}
