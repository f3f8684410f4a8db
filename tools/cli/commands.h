#pragma once

#include "tools/cli/device_session.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

// What a command runs with.
struct CommandContext
{
    DeviceSession &device;
    // Only check the arguments: a script is checked whole before it runs.
    bool checkOnly = false;
    bool inScript = false;
    // Put before every error line, such as "line 4: ".
    QString where;

    // Reports one error line and returns the status.
    int Fail(int status, const QString &text) const;
    // A usage error of the named command, with where to read about it.
    int Misuse(const QString &command, const QString &text) const;
};

// A command's arguments sorted into operands and the options given, each
// under its long name with the dashes ("--json").
struct Arguments
{
    QStringList operands;
    QSet<QString> flags;
    QHash<QString, QString> values;
};

// The ports that operands name, all three when there are none; false with
// an error text when an operand names no port.
bool PortOperands(const QStringList &operands, std::vector<PortIndex> &ports, QString &error);
// Reports the ports that gave no answer; returns the status for that.
int NoAnswer(const CommandContext &context, const QStringList &silentPorts);

// Runs korvane-cli's command line (the program's name first).
int RunCommandLine(const QStringList &arguments);
// Runs one command of a script: words[0] names it.
int RunCommand(CommandContext &context, const QStringList &words);

int ListCommand(CommandContext &context, const Arguments &args);
int ReadCommand(CommandContext &context, const Arguments &args);
int SetCommand(CommandContext &context, const Arguments &args);
int SyncCommand(CommandContext &context, const Arguments &args);
int WatchCommand(CommandContext &context, const Arguments &args);
int TestCommand(CommandContext &context, const Arguments &args);
int RunScriptCommand(CommandContext &context, const Arguments &args);
int WaitCommand(CommandContext &context, const Arguments &args);
int ExpectCommand(CommandContext &context, const Arguments &args);
