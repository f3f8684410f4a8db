#include "device/port_checks.h"

#include "device/port_locks.h"
#include "device/port_name.h"
#include "device/port_node.h"

std::optional<OpenFailure> RefusalBeforeOpen(const QString &deviceName)
{
    using Reason = OpenFailure::Reason;
    if (HoldsControlCharacter(deviceName))
        return Reason::NotSerialPort;
    const PortNode node = ExaminePortNode(deviceName);
    if (node.presence != PortNode::Presence::Present)
        return node.presence == PortNode::Presence::Hidden ? Reason::PermissionDenied : Reason::NoSuchPort;
    if (!node.serialTerminal)
        return Reason::NotSerialPort;
    if (!node.userMayReadAndWrite) {
        OpenFailure denied(Reason::PermissionDenied);
        denied.group = node.groupToJoin;
        return denied;
    }
    return LockFileRefusal(deviceName);
}
