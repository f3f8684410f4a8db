#pragma once

#include <QString>

// Exit statuses of korvane-cli.
enum ExitStatus : int {
    kSuccess = 0,
    kCheckFailed = 1,  // a test or an expectation failed
    kUsageError = 2,
    kNoDevice = 3,     // the port could not be opened or the device did not answer
    kStateNotKept = 4, // the device took the settings, but they could not be remembered
};

// One line on standard output, written at once so that pipes see it.
void PrintLine(const QString &line);
// One line "korvane-cli: TEXT" on standard error, control characters shown
// escaped (\t, \n, \x1B) so that no text can steer the terminal; returns the
// status.
int Report(int status, const QString &text);
// An argument as an error line echoes it: at most 60 characters, then "...".
QString Shown(const QString &argument);
