#pragma once

#include "tools/cli/port_settings.h"

#include <QString>

// The state last sent to a device, kept between runs in a small file under
// $XDG_STATE_HOME (~/.local/state when unset), one file per stable name.
QString StateFilePath(const QString &stableName);

// The remembered state, or the defaults when the device has none. A file
// that cannot be read or understood also gives the defaults and sets problem.
PortState LoadState(const QString &path, QString &problem);
// Replaces the file as a whole; false with a reason when that fails.
bool SaveState(const QString &path, const PortState &state, QString &problem);
