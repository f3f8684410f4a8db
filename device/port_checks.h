#pragma once

#include "device/open_failure.h"

#include <QString>
#include <optional>

// What refuses a device before anything opens it, or nothing when it may be
// opened. It must be a serial terminal: a pseudo-terminal slave (the virtual
// device's side) or a terminal with a driver behind it, such as a UART or a
// USB serial adapter. Pseudo-terminal masters, the controlling terminal,
// consoles, virtual terminals and every other node are refused, and so is a
// name holding a control character. Then the user must be allowed to read and
// write it, and no lock file may stand in the way.
std::optional<OpenFailure> RefusalBeforeOpen(const QString &deviceName);
