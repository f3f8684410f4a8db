#pragma once

#include "tools/cli/port_settings.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The state last sent to a device, kept between runs in a small file under
// $XDG_STATE_HOME (~/.local/state when unset), one file per stable name. A
// name too long for a file name is shortened to a prefix and a hash of it.
QString StateFilePath(const QString &stableName);

// The file's content for the state, and the state of a content; nothing
// unless the content is exactly what StateText writes.
QByteArray StateText(const PortState &state);
std::optional<PortState> ParseStateText(const QByteArray &text);

// Reads the remembered state into state: the defaults when the device has
// none, and also when the file cannot be read or understood, with a warning
// in problem. False, with the reason in problem, when something other than a
// regular file (a link, a FIFO, a device) is there: it is never read.
bool LoadState(const QString &path, PortState &state, QString &problem);
// Replaces the file as a whole, never anything but a regular file, and
// leaves the old one untouched when that fails; false with a reason then.
bool SaveState(const QString &path, const PortState &state, QString &problem);
