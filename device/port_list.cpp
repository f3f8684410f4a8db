#include "device/port_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

QString CanonicalPath(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

QString UsbId(const QSerialPortInfo &info)
{
    if (!info.hasVendorIdentifier() || !info.hasProductIdentifier())
        return {};
    return QStringLiteral("%1:%2")
        .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
        .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
}

class SystemPorts : public PortSource
{
public:
    QList<PortListEntry> Ports() const override { return PresentPorts(); }
};

QString Identification(const PortListEntry &port)
{
    QStringList parts;
    for (const QString &part : {port.description, port.manufacturer}) {
        if (!part.isEmpty())
            parts << part;
    }
    if (!port.serialNumber.isEmpty())
        parts << QStringLiteral("serial %1").arg(port.serialNumber);
    if (!port.usbId.isEmpty())
        parts << QStringLiteral("USB %1").arg(port.usbId);
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString StableDeviceName(const QString &devicePath, const QString &byIdFolder)
{
    const QString node = CanonicalPath(devicePath);
    const QDir folder(byIdFolder);
    for (const QString &link : folder.entryList(QDir::System | QDir::Files, QDir::Name)) {
        if (CanonicalPath(folder.filePath(link)) == node)
            return folder.filePath(link);
    }
    return node;
}

QList<PortListEntry> PresentPorts()
{
    QList<PortListEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString path = info.systemLocation();
        const QString stable = StableDeviceName(path);
        ports.append({info.portName(), path, stable == CanonicalPath(path) ? QString() : stable,
                      info.description(), info.manufacturer(), info.serialNumber(), UsbId(info)});
    }
    return ports;
}

std::shared_ptr<const PortSource> MakeSystemPorts()
{
    return std::make_shared<SystemPorts>();
}

QList<PortChoice> PortChoices(const QList<PortListEntry> &ports)
{
    QList<PortChoice> choices;
    for (const PortListEntry &port : ports) {
        const QString identification = Identification(port);
        choices << PortChoice{port.name, identification};
        if (!port.stableName.isEmpty())
            choices << PortChoice{port.stableName, identification};
    }
    return choices;
}
