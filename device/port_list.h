#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

// A serial port present on this machine and what identifies the device on it.
struct SerialPortEntry
{
    QString device;     // the node, such as /dev/ttyUSB0
    QString stableName; // the link udev made under /dev/serial/by-id, if any
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
};

// Where the list of serial ports comes from: the system, or a list of one's own.
class PortSource
{
public:
    virtual ~PortSource() = default;
    virtual QList<SerialPortEntry> Ports() const = 0;
};

// The ports the system enumerates, with the stable names found in a folder
// of links (pseudo-terminals are not enumerable and are not listed).
class SystemPorts : public PortSource
{
public:
    explicit SystemPorts(QString stableNameFolder = QStringLiteral("/dev/serial/by-id"));
    QList<SerialPortEntry> Ports() const override;

private:
    QString m_stableNameFolder;
};

std::shared_ptr<const PortSource> MakeSystemPorts();

// The links in a folder by the device node each leads to (links relative to
// the folder are followed from it). The first link in name order wins.
QHash<QString, QString> StableNames(const QString &folder);

// One line of the port list: the text that names the port in the Com Port
// field, and what identifies the device behind it.
struct PortChoice
{
    QString text;
    QString identification;
};

// Each port under its short name (ttyUSB0) and then, where it has one, under
// its stable name.
QList<PortChoice> PortChoices(const QList<SerialPortEntry> &ports);

// The entry of the port on this node, if the source lists it.
std::optional<SerialPortEntry> FindPort(const PortSource &source, const QString &device);
