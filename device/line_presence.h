#pragma once

#include "device/serial_port.h"

#include <QString>

// Whether the device that the open channel was opened on has gone: the
// channel is closed, the line has hung up, or the node `device` has been
// removed or now stands for another device.
bool LineLost(const CSerialPort &serial, const QString &device);
