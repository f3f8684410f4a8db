// list: the serial ports present.

#include "device/port_list.h"
#include "tools/cli/commands.h"
#include "tools/cli/console.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject EntryObject(const PortListEntry &port)
{
    return {{"name", port.name},
            {"path", port.path},
            {"stableName", port.stableName},
            {"description", port.description},
            {"manufacturer", port.manufacturer},
            {"serialNumber", port.serialNumber},
            {"usbId", port.usbId}};
}

// "ttyUSB0  /dev/serial/by-id/...  FT232R USB UART, FTDI, serial A1B2, USB 0403:6001"
QString EntryLine(const PortListEntry &port)
{
    QStringList identity;
    for (const QString &part : {port.description, port.manufacturer})
        if (!part.isEmpty())
            identity << part;
    if (!port.serialNumber.isEmpty())
        identity << QStringLiteral("serial ") + port.serialNumber;
    if (!port.usbId.isEmpty())
        identity << QStringLiteral("USB ") + port.usbId;
    QStringList columns{port.name};
    if (!port.stableName.isEmpty())
        columns << port.stableName;
    if (!identity.isEmpty())
        columns << identity.join(QStringLiteral(", "));
    return columns.join(QStringLiteral("  "));
}

} // namespace

int ListCommand(CommandContext &context, const QStringList &args)
{
    Arguments sorted;
    if (const QString error = SortArguments(args, {"--json"}, {}, sorted); !error.isEmpty())
        return context.Misuse(QStringLiteral("list"), error);
    if (!sorted.operands.isEmpty())
        return context.Misuse(QStringLiteral("list"), QStringLiteral("unexpected ") + sorted.operands.front());
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
    for (const PortListEntry &port : ports)
        PrintLine(EntryLine(port));
    return kSuccess;
}
