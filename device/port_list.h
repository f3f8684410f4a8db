#pragma once

#include <QList>
#include <QString>
#include <memory>

// One serial port present on the machine and what identifies its device.
struct PortListEntry
{
    QString name;         // the short name to type, such as ttyUSB0
    QString path;         // the device node, such as /dev/ttyUSB0
    QString stableName;   // its /dev/serial/by-id name, or empty
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString usbId;        // vendor:product in hexadecimal, or empty
};

// The serial ports the system enumerates, with their stable names.
// Pseudo-terminals are not enumerable and are not among them.
QList<PortListEntry> PresentPorts();

// The name that stays with a device across replugging: the link in byIdFolder
// that leads to the same node as devicePath, else the node's own path.
QString StableDeviceName(const QString &devicePath,
                         const QString &byIdFolder = QStringLiteral("/dev/serial/by-id"));

// Where a list of serial ports comes from: the system, or a list of one's own.
class PortSource
{
public:
    virtual ~PortSource() = default;
    virtual QList<PortListEntry> Ports() const = 0;
};

// The ports the system enumerates now.
std::shared_ptr<const PortSource> MakeSystemPorts();

// One line of a list of ports: the text that names the port in the Com Port
// field, and what identifies the device behind it.
struct PortChoice
{
    QString text;
    QString identification;
};

// Each port under its short name and then, where it has one, under its
// stable name.
QList<PortChoice> PortChoices(const QList<PortListEntry> &ports);
