#pragma once

#include "device/link_stamp.h"
#include "device/port_list.h"

#include <QString>
#include <QStringList>
#include <optional>

// What proves that a device found after a loss is the one that was
// connected: its USB serial number, its /dev/serial/by-id name, its USB port
// (/dev/serial/by-path) with the same vendor:product when it has no serial
// number, or the symbolic link it was connected by, made anew. A bare kernel
// name or pseudo-terminal proves nothing: the kernel gives its number to the
// next device or program that asks, so nothing found under it is trusted.
class DeviceIdentity
{
public:
    DeviceIdentity() = default;
    // The device just opened as `device`, named `typed` by the user.
    DeviceIdentity(const QString &typed, const QString &device, const PortSource &ports);

    // The devices present now that are proven to be this one, best first.
    QStringList Candidates(const PortSource &ports) const;
    // The device has been opened again: a link it was found by counts as
    // seen, so only a link made anew after the next loss leads to it.
    void Reopened();

private:
    QString m_serialNumber;
    QString m_stableName;
    QString m_byPath;
    QString m_usbId;
    QString m_link;
    std::optional<LinkStamp> m_linkStamp;
};
