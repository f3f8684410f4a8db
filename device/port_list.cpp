#include "device/port_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

const QString kDevFolder = QStringLiteral("/dev/");

// The name that PortDeviceName takes back to the node: /dev/ttyUSB0 is ttyUSB0.
QString ShortName(const QString &device)
{
    return device.startsWith(kDevFolder) ? device.mid(kDevFolder.size()) : device;
}

QString Identification(const SerialPortEntry &port)
{
    QStringList parts;
    for (const QString &part : {port.description, port.manufacturer})
        if (!part.isEmpty())
            parts << part;
    if (!port.serialNumber.isEmpty())
        parts << QStringLiteral("serial %1").arg(port.serialNumber);
    if (port.vendorId && port.productId)
        parts << QStringLiteral("USB %1:%2").arg(*port.vendorId, 4, 16, QChar(u'0')).arg(*port.productId, 4, 16, QChar(u'0'));
    return parts.join(QStringLiteral(", "));
}

} // namespace

SystemPorts::SystemPorts(QString stableNameFolder) : m_stableNameFolder(std::move(stableNameFolder)) {}

QList<SerialPortEntry> SystemPorts::Ports() const
{
    const QHash<QString, QString> stable = StableNames(m_stableNameFolder);
    QList<SerialPortEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry port;
        port.device = info.systemLocation();
        port.stableName = stable.value(QFileInfo(port.device).canonicalFilePath());
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            port.vendorId = info.vendorIdentifier();
            port.productId = info.productIdentifier();
        }
        ports << port;
    }
    return ports;
}

std::shared_ptr<const PortSource> MakeSystemPorts()
{
    return std::make_shared<SystemPorts>();
}

QHash<QString, QString> StableNames(const QString &folder)
{
    QHash<QString, QString> names;
    const QDir dir(folder);
    for (const QFileInfo &link : dir.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        const QString device = link.canonicalFilePath();
        if (link.isSymLink() && !device.isEmpty() && !names.contains(device))
            names.insert(device, link.absoluteFilePath());
    }
    return names;
}

QList<PortChoice> PortChoices(const QList<SerialPortEntry> &ports)
{
    QList<PortChoice> choices;
    for (const SerialPortEntry &port : ports) {
        const QString identification = Identification(port);
        choices << PortChoice{ShortName(port.device), identification};
        if (!port.stableName.isEmpty())
            choices << PortChoice{port.stableName, identification};
    }
    return choices;
}

std::optional<SerialPortEntry> FindPort(const PortSource &source, const QString &device)
{
    for (const SerialPortEntry &port : source.Ports()) {
        if (port.device == device)
            return port;
    }
    return std::nullopt;
}
