#pragma once

#include <QList>
#include <QString>

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
QList<PortListEntry> PresentPorts();

// The name that stays with a device across replugging: the link in byIdFolder
// that leads to the same node as devicePath, else the node's own path.
QString StableDeviceName(const QString &devicePath,
                         const QString &byIdFolder = QStringLiteral("/dev/serial/by-id"));
