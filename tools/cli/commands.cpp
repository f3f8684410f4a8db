#include "tools/cli/commands.h"

#include "tools/cli/console.h"

#include <cstdio>

namespace {

struct Command
{
    const char *name;
    int (*run)(CommandContext &, const QStringList &);
    bool scriptOnly;
    const char *synopsis;
    const char *summary;
    const char *help;
};

const Command kCommands[] = {
    {"list", ListCommand, false, "list [--json]", "the serial ports present",
     "Lists the serial ports present, with the stable /dev/serial/by-id name where\n"
     "there is one and what identifies the device. Needs no port.\n"
     "  --json  one JSON array of objects\n"},
    {"read", ReadCommand, false, "read [A|B|C ...] [--bin|--json]", "read the pin levels; changes nothing",
     "Reads the pin levels of the ports (all three by default) with read requests\n"
     "only, so it changes nothing on the device. Prints A=5F B=FF C=00; a port\n"
     "that gives no answer prints --, and the exit status is then 3.\n"
     "  --bin   eight binary digits per port, pin 7 first\n"
     "  --json  one JSON object, a number per port, null for no answer\n"},
    {"set", SetCommand, false, "set [--reset] SETTING...", "set directions and output levels, and remember them",
     "Sets directions and output levels and remembers them for the device, so\n"
     "that settings given in separate runs add up. SETTING is one of:\n"
     "  A.dir=0F      directions of a port in hexadecimal (set bit = input)\n"
     "  A.out=50      output levels of a port in hexadecimal\n"
     "  B3=in B3=out  direction of one pin\n"
     "  B3=1 B3=0     make the pin an output driven high or low\n"
     "  --reset       start from all inputs, outputs low, and send everything\n"
     "The state is kept under $XDG_STATE_HOME/korvane-cli (default\n"
     "~/.local/state), one file for each device's stable name.\n"},
    {"sync", SyncCommand, false, "sync", "send the whole remembered state again",
     "Sends the whole remembered state, directions first and then the outputs,\n"
     "as the window's Connect does; for a device that was reset or replaced.\n"},
    {"watch", WatchCommand, false, "watch [OPTION...]", "a line for each pin that changes level",
     "Reads all ports as the window's \"Continous\" box does and prints one line\n"
     "for each pin whose level changed: time, port, pin, old and new level, and a\n"
     "line when the device stops or starts answering, sends bytes nobody asked\n"
     "for, goes, or comes back proven to be the same device (then it is read on).\n"
     "The first reading is the starting point. Ctrl-C ends it with a summary on\n"
     "standard error.\n"
     "  --interval MS time between polls (100)\n"
     "  --count N     end after N pin changes\n"
     "  --duration S  end after S seconds (status 1 if --count was not reached)\n"
     "  --format F    text (default), csv with a header line, or jsonl\n"
     "  --relative    seconds since the start instead of the time of day\n"},
    {"test", TestCommand, false, "test loopback A:B [--json] | test readback [A|B|C ...] [--json]", "check a loopback harness, or each pin driven and read back",
     "loopback A:B: for a harness that wires each pin of port A to the same pin\n"
     "  of port B. Drives walking ones and walking zeros from each side in turn\n"
     "  and reads the other side.\n"
     "readback: needs no wiring. Makes the pins of the ports (all three by\n"
     "  default) outputs, drives each high and low in turn and reads it back.\n"
     "Both report every pin as ok, stuck at 0, stuck at 1, open (a broken\n"
     "loopback wire), shorted to the pins named, or erratic (readings that no\n"
     "single fault explains), as a table or with --json as one JSON object; the\n"
     "exit status is 1 when any pin is faulty. Both end by sending the\n"
     "remembered state again, also when Ctrl-C, SIGTERM or SIGHUP ends them\n"
     "early; the exit status is then 128 + the signal's number.\n"},
    {"run", RunScriptCommand, false, "run [FILE|-]", "run commands from a file or standard input",
     "Runs commands from FILE or standard input (-, the default), one per line;\n"
     "# starts a comment; a line holds at most 4096 bytes and no NUL, a script\n"
     "at most 10000 lines. The whole script is checked before its first line\n"
     "runs, and the first line that fails ends it with that line's status.\n"
     "Besides the commands above (without -p), a script may use:\n"
     "  wait MS                 wait MS milliseconds\n"
     "  expect A=5F [B3=1 ...]  read the ports; a port or pin that reads\n"
     "                          otherwise ends the script with status 1\n"},
    {"wait", WaitCommand, true, "wait MS", "wait (in scripts)", "Waits MS milliseconds (in scripts).\n"},
    {"expect", ExpectCommand, true, "expect A=5F|B3=1 ...", "compare readings (in scripts)",
     "Reads the ports named and compares whole ports or single pins (in scripts).\n"},
};

const Command *FindCommand(const QString &name)
{
    for (const Command &command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

bool Named(const QString &arg, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        if (arg == QLatin1String(name))
            return true;
    }
    return false;
}

} // namespace

int CommandContext::Fail(int status, const QString &text) const
{
    return Report(status, where + text);
}

int CommandContext::Misuse(const QString &command, const QString &text) const
{
    return Fail(kUsageError, QStringLiteral("%1: %2 (see korvane-cli %1 --help)").arg(command, text));
}

QString SortArguments(const QStringList &args, std::initializer_list<const char *> flags,
                      std::initializer_list<const char *> valued, Arguments &sorted)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (!arg.startsWith(u'-') || arg == u"-") {
            sorted.operands << arg;
        } else if (Named(arg, flags)) {
            sorted.flags << arg;
        } else if (Named(arg.section(u'=', 0, 0), valued) && arg.contains(u'=')) {
            sorted.values.insert(arg.section(u'=', 0, 0), arg.section(u'=', 1));
        } else if (Named(arg, valued)) {
            if (i + 1 == args.size())
                return Shown(arg) + QStringLiteral(" needs a value");
            sorted.values.insert(arg, args[++i]);
        } else {
            return QStringLiteral("unknown option ") + Shown(arg);
        }
    }
    return {};
}

int RunCommand(CommandContext &context, const QStringList &args)
{
    const Command *command = FindCommand(args.value(0));
    if (!command || (command->scriptOnly && !context.inScript))
        return context.Fail(kUsageError, QStringLiteral("unknown command %1 (see korvane-cli --help)").arg(Shown(args.value(0))));
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        if (!context.checkOnly)
            std::printf("Usage: korvane-cli [-p PORT] %s\n%s", command->synopsis, command->help);
        return kSuccess;
    }
    return command->run(context, args.mid(1));
}

QString ProgramHelp()
{
    QString help = QStringLiteral(
        "Usage: korvane-cli [-p PORT] COMMAND [ARGUMENT...]\n"
        "Drives a KORVANE 24-line I/O device on a serial port: sets and reads pins,\n"
        "watches them, tests wiring and runs test scripts.\n\n"
        "Commands:\n");
    for (const Command &command : kCommands) {
        if (command.scriptOnly)
            continue;
        // A summary goes beside a short synopsis and below a long one, in one column.
        const QString synopsis = QStringLiteral("  ") + QLatin1String(command.synopsis);
        const qsizetype column = 24;
        help += synopsis.size() + 2 <= column ? synopsis.leftJustified(column) : synopsis + u'\n' + QString(column, u' ');
        help += QLatin1String(command.summary) + u'\n';
    }
    help += QStringLiteral(
        "\nOptions:\n"
        "  -p, --port PORT  the port, as typed into the window's Com Port field: a\n"
        "                   COM number, COMn, a name under /dev or a path\n"
        "  -h, --help       this text; korvane-cli COMMAND --help explains a command\n"
        "  --version        the program's version\n\n"
        "Exit status: 0 success, 1 a test or expectation failed, 2 usage error,\n"
        "3 the port could not be opened or the device did not answer, 4 the device\n"
        "took the settings but they could not be remembered, 128+N a test ended\n"
        "by signal N.\n");
    return help;
}
