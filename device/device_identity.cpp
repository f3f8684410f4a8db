#include "device/device_identity.h"

#include "device/port_name.h"

#include <QFileInfo>

#include <algorithm>

namespace {

const QString kByPathFolder = QStringLiteral("/dev/serial/by-path");

QString ExistingNode(const QString &link)
{
    return link.isEmpty() ? QString() : QFileInfo(link).canonicalFilePath();
}

} // namespace

DeviceIdentity::DeviceIdentity(const QString &typed, const QString &device, const PortSource &ports)
{
    const QList<PortListEntry> present = ports.Ports();
    if (const auto port = std::ranges::find(present, device, &PortListEntry::path); port != present.end()) {
        m_serialNumber = port->serialNumber;
        m_stableName = port->stableName;
        m_usbId = port->usbId;
    }
    const QString byPath = StableDeviceName(device, kByPathFolder);
    if (byPath.startsWith(kByPathFolder))
        m_byPath = byPath;
    if (const std::optional<QString> path = PortPathAsTyped(typed)) {
        m_linkStamp = StampOfLink(*path);
        if (m_linkStamp)
            m_link = *path;
    }
}

QStringList DeviceIdentity::Candidates(const PortSource &ports) const
{
    QStringList devices;
    const QList<PortListEntry> present = ports.Ports();
    for (const PortListEntry &port : present) {
        if (!m_serialNumber.isEmpty() && port.serialNumber == m_serialNumber)
            devices << port.path;
    }
    if (const QString node = ExistingNode(m_stableName); !node.isEmpty())
        devices << node;
    if (const QString node = ExistingNode(m_byPath); !node.isEmpty() && m_serialNumber.isEmpty() && !m_usbId.isEmpty()) {
        for (const PortListEntry &port : present) {
            if (port.path == node && port.usbId == m_usbId)
                devices << node;
        }
    }
    if (!m_link.isEmpty()) {
        const std::optional<LinkStamp> stamp = StampOfLink(m_link);
        const QString node = ExistingNode(m_link);
        if (stamp && stamp != m_linkStamp && !node.isEmpty())
            devices << node;
    }
    devices.removeDuplicates();
    return devices;
}

void DeviceIdentity::Reopened()
{
    if (!m_link.isEmpty())
        m_linkStamp = StampOfLink(m_link);
}
