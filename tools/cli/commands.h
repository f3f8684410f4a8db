#pragma once

#include "tools/cli/device_session.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <initializer_list>
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

// A command's arguments sorted into options and operands.
struct Arguments
{
    QStringList operands;
    QSet<QString> flags;
    QHash<QString, QString> values;
};

// Sorts args by the options the command knows: flags stand alone, valued
// options take the next argument or "=VALUE". Returns an error text, or an
// empty one when every argument was understood.
QString SortArguments(const QStringList &args, std::initializer_list<const char *> flags,
                      std::initializer_list<const char *> valued, Arguments &sorted);

// The ports that operands name, all three when there are none; false with
// an error text when an operand names no port.
bool PortOperands(const QStringList &operands, std::vector<PortIndex> &ports, QString &error);
// Reports the ports that gave no answer; returns the status for that.
int NoAnswer(const CommandContext &context, const QStringList &silentPorts);

// Runs the command that args[0] names; "--help" among its arguments shows
// its help instead.
int RunCommand(CommandContext &context, const QStringList &args);
// The program's help, with the list of commands.
QString ProgramHelp();

int ListCommand(CommandContext &context, const QStringList &args);
int ReadCommand(CommandContext &context, const QStringList &args);
int SetCommand(CommandContext &context, const QStringList &args);
int SyncCommand(CommandContext &context, const QStringList &args);
int WatchCommand(CommandContext &context, const QStringList &args);
int TestCommand(CommandContext &context, const QStringList &args);
int RunScriptCommand(CommandContext &context, const QStringList &args);
int WaitCommand(CommandContext &context, const QStringList &args);
int ExpectCommand(CommandContext &context, const QStringList &args);
