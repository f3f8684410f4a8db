#pragma once

#include "left_over_locks.h"
#include "tools/sim/virtual_device.h"

#include <QString>
#include <QtGlobal>

// A virtual device on a pseudo-terminal; until started it reads nothing.
struct PtyDevice : VirtualDevice
{
    QString path;
    PtyDevice()
    {
        std::string error;
        if (!Open(error))
            qFatal("%s", error.c_str());
        path = QString::fromStdString(DevicePath());
        RemoveLeftOverLock(path);
    }
};
