#pragma once

#include "tester/pin_tester.h"

#include <QByteArray>
#include <QString>

// The state last sent to a device, kept between runs in a small file under
// $XDG_STATE_HOME (~/.local/state when unset), one file per stable name. A
// name too long for a file name is shortened to a prefix and a hash of it.
QString StateFilePath(const QString &stableName);

// The file's content for the tester's directions and levels; and the
// settings of a content applied to a tester that holds the defaults, false
// unless the content is exactly what StateText writes.
QByteArray StateText(const CPinTester &tester);
bool ParseStateText(const QByteArray &text, CPinTester &tester);

// Reads the remembered state into the tester: the defaults when the device
// has none, and also when the file cannot be read or understood, with a
// warning in problem. False, with the reason in problem, when something
// other than a regular file (a link, a FIFO, a device) is there: it is never
// read.
bool LoadState(const QString &path, CPinTester &tester, QString &problem);
// Replaces the file as a whole, never anything but a regular file, and
// leaves the old one untouched when that fails; false with a reason then.
bool SaveState(const QString &path, const CPinTester &tester, QString &problem);
