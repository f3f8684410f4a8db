#pragma once

#include <QString>

// What the system tells of a device's node before anything opens it.
struct PortNode
{
    enum class Presence { Present, Missing, Hidden };

    // Hidden: the user may not even look at the node.
    Presence presence = Presence::Missing;
    // A pseudo-terminal slave or a terminal with a driver behind it, such as
    // a UART or a USB serial adapter.
    bool serialTerminal = false;
    bool userMayReadAndWrite = false;
    // When the user may not: the group to join for a device its group may
    // read and write, or empty when joining a group would not help.
    QString groupToJoin;
};

PortNode ExaminePortNode(const QString &deviceName);
