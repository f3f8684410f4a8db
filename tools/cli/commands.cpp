#include "tools/cli/commands.h"

#include "tools/cli/console.h"

#include "res/version.h"

#include <QCommandLineParser>
#include <cstdio>

namespace {

struct Command
{
    const char *name;
    int (*run)(CommandContext &, const Arguments &);
    bool scriptOnly;
    const char *synopsis;
    const char *summary;
    const char *help;
    QStringList flags;  // the options without a value, by their long names
    QStringList valued; // the options that take one
};

const Command kCommands[] = {
    {"list", ListCommand, false, "list [--json]", "the serial ports present",
     "Lists the serial ports present, each under the name to give to -p and,\n"
     "where udev made one, under its stable /dev/serial/by-id name too, with what\n"
     "identifies the device. Needs no port. --json prints one JSON array with an\n"
     "object for each port: \"name\" (such as ttyUSB0), \"path\" (the device node),\n"
     "\"stableName\", \"description\", \"manufacturer\", \"serialNumber\" and \"usbId\"\n"
     "(vendor:product in hexadecimal), each a string, or null when not known.\n"
     "  --json  one JSON array of objects\n",
     {"json"}, {}},
    {"read", ReadCommand, false, "read [A|B|C ...] [--bin|--json]", "read the pin levels; changes nothing",
     "Reads the pin levels of the ports (all three by default) with read requests\n"
     "only, so it changes nothing on the device. Prints A=5F B=FF C=00; a port\n"
     "that gives no answer prints --, and the exit status is then 3. --json\n"
     "prints one JSON object with a member for each port read, \"A\", \"B\" or \"C\":\n"
     "its levels as a number from 0 to 255, or null when it gave no answer.\n"
     "  --bin   eight binary digits per port, pin 7 first\n"
     "  --json  one JSON object\n",
     {"bin", "json"}, {}},
    {"set", SetCommand, false, "set [--reset] SETTING...", "set directions and output levels, and remember them",
     "Sets directions and output levels and remembers them for the device, so\n"
     "that settings given in separate runs add up. SETTING is one of:\n"
     "  A.dir=0F      directions of a port in hexadecimal (set bit = input)\n"
     "  A.out=50      output levels of a port in hexadecimal\n"
     "  B3=in B3=out  direction of one pin\n"
     "  B3=1 B3=0     make the pin an output driven high or low\n"
     "  --reset       start from all inputs, outputs low, and send everything\n"
     "Port letters and hexadecimal digits may be in either case. The state is\n"
     "kept under $XDG_STATE_HOME/korvane-cli (default ~/.local/state), one file\n"
     "for each device's stable name.\n",
     {"reset"}, {}},
    {"sync", SyncCommand, false, "sync", "send the whole remembered state again",
     "Sends the whole remembered state, directions first and then the outputs,\n"
     "as the window's Connect does; for a device that was reset or replaced.\n", {}, {}},
    {"watch", WatchCommand, false, "watch [OPTION...]", "a line for each pin that changes level",
     "Reads all ports as the window's \"Continous\" box does and prints one line\n"
     "for each pin whose level changed: time, port, pin, old and new level, and a\n"
     "line when the device stops or starts answering, sends bytes nobody asked\n"
     "for, goes, or comes back proven to be the same device (then it is read on).\n"
     "The first reading is the starting point. Ctrl-C ends it with a summary on\n"
     "standard error.\n"
     "csv has the columns time,event,port,pin,old,new; a line event leaves the\n"
     "last four empty. jsonl prints one JSON object a line: \"event\" (change,\n"
     "answer, no-answer, unexpected-data, disconnected or reconnected), \"time\"\n"
     "(a string, ISO 8601 local time with milliseconds and UTC offset) and\n"
     "\"elapsed\" (a number, seconds since the start with 3 decimals), whatever\n"
     "--relative says; a change adds \"port\" (\"A\", \"B\" or \"C\"), \"pin\" (0 to 7),\n"
     "\"old\" and \"new\" (0 or 1).\n"
     "  --interval MS  time between polls (100)\n"
     "  --count N      end after N pin changes\n"
     "  --duration S   end after S seconds (status 1 if --count was not reached)\n"
     "  --format F     text (default), csv with a header line, or jsonl\n"
     "  --relative     text and csv: seconds since the start, not the time of day\n",
     {"relative"}, {"interval", "count", "duration", "format"}},
    {"test", TestCommand, false, "test loopback A:B [--json] | test readback [A|B|C ...] [--json]",
     "check a loopback harness, or each pin driven and read back",
     "test loopback A:B is for a harness that wires each pin of port A to the\n"
     "same pin of port B: it drives walking ones and walking zeros from each side\n"
     "in turn and reads the other side. test readback needs no wiring: it makes\n"
     "the pins of the ports (all three by default) outputs, drives each high and\n"
     "low in turn and reads it back. Both report every pin as ok, stuck at 0, stuck at 1, open (a broken\n"
     "loopback wire), shorted to the pins named, or erratic (readings that no\n"
     "single fault explains), as a table or with --json as one JSON object:\n"
     "\"test\" (such as \"loopback A:B\" or \"readback A B C\"), \"faulty\" (the number\n"
     "of faulty pins) and \"pins\", an array with an object for each pin: \"pin\"\n"
     "(such as \"A3\"), \"result\" (the words above) and, for open and shorted,\n"
     "\"with\" (the pins at the other end). The exit status is 1 when any pin is\n"
     "faulty. Both end by sending the remembered state again, also when Ctrl-C,\n"
     "SIGTERM or SIGHUP ends them early; the exit status is then 128 + the\n"
     "signal's number.\n"
     "  --json  one JSON object\n",
     {"json"}, {}},
    {"run", RunScriptCommand, false, "run [FILE|-]", "run commands from a file or standard input",
     "Runs commands from FILE or standard input (-, the default), one per line;\n"
     "# starts a comment; a line holds at most 4096 bytes and no NUL, a script\n"
     "at most 10000 lines. The whole script is checked before its first line\n"
     "runs, and the first line that fails ends it with that line's status. A\n"
     "line is a command with its arguments, without -p; besides the commands\n"
     "above, a script may use wait and expect.\n", {}, {}},
    {"wait", WaitCommand, true, "wait MS", "wait (in scripts)", "In scripts: waits MS milliseconds.\n", {}, {}},
    {"expect", ExpectCommand, true, "expect A=5F|B3=1 ...", "compare readings (in scripts)",
     "In scripts: reads the ports named, once each, and compares whole ports\n"
     "(A=5F, in hexadecimal) or single pins (B3=1). A port or pin that reads\n"
     "otherwise ends the script with status 1.\n", {}, {}},
};

const char *const kExitStatuses =
    "  0      success\n"
    "  1      a test or an expectation failed\n"
    "  2      usage error\n"
    "  3      the port could not be opened or the device did not answer\n"
    "  4      the device took the settings but they could not be remembered\n"
    "  128+N  a test ended by signal N\n";

const QCommandLineOption kHelp(QStringList{QStringLiteral("h"), QStringLiteral("help")});
const QCommandLineOption kVersion(QStringList{QStringLiteral("V"), QStringLiteral("version")});
const QCommandLineOption kPort({QStringLiteral("p"), QStringLiteral("port")}, QString(), QStringLiteral("PORT"));
// The whole reference, which the manual page is made from.
const QCommandLineOption kReference(QStringLiteral("help-all"));

// The command of that name; wait and expect only in scripts.
const Command *FindCommand(const QString &name, bool inScript)
{
    for (const Command &command : kCommands) {
        if (name == QLatin1String(command.name) && (inScript || !command.scriptOnly))
            return &command;
    }
    return nullptr;
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
    return help + QStringLiteral(
        "\nOptions:\n"
        "  -p, --port PORT  the port, before or after the command: -pPORT, -p PORT,\n"
        "                   --port=PORT and --port PORT are all the same\n"
        "  -h, --help       this text; korvane-cli COMMAND --help explains a command\n"
        "  -V, --version    the program's version\n"
        "  --               ends the options: what follows are operands\n\n"
        "Ports:\n"
        "  PORT is what the window's Com Port field takes: a number N or COMN is\n"
        "  COM port N, the device /dev/ttyS(N-1), so 1 is /dev/ttyS0 and 0 names no\n"
        "  port; any other text is a path, or a name under /dev such as ttyUSB0.\n"
        "  Every name that list prints works as PORT.\n");
}

// The reference that help2man makes the manual page of: the program's help,
// every command's and the exit statuses, under help2man's section marks.
QString Reference()
{
    QString reference = ProgramHelp() + QStringLiteral("\n*Commands*\n");
    for (const Command &command : kCommands) {
        reference += QStringLiteral("\n%1:\n").arg(QLatin1String(command.synopsis));
        for (const QString &line : QString::fromLatin1(command.help).split(u'\n', Qt::SkipEmptyParts))
            reference += QStringLiteral("  ") + line + u'\n';
    }
    return reference + QStringLiteral("\n*Exit status*\n") + QLatin1String(kExitStatuses);
}

int Print(const QString &text)
{
    std::fputs(qPrintable(text), stdout);
    return kSuccess;
}

QString CommandUsage(const Command &command)
{
    return QStringLiteral("Usage: korvane-cli [-p PORT] %1\n").arg(QLatin1String(command.synopsis)) + QLatin1String(command.help);
}

// What the parser could not understand, in korvane-cli's words.
QString ParseError(const QCommandLineParser &parser)
{
    const QString unknown = parser.unknownOptionNames().value(0);
    if (!unknown.isEmpty())
        return QStringLiteral("unknown option ") + Shown((unknown.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + unknown);
    QString error = parser.errorText();
    error.chop(error.endsWith(u'.'));
    return Shown(error.left(1).toLower() + error.mid(1));
}

// Parses words (the command first) by the command's options and the ones
// the parser has into sorted; an error text, or an empty one.
QString Parse(QCommandLineParser &parser, const Command &command, const QStringList &words, Arguments &sorted)
{
    for (const QString &flag : command.flags)
        parser.addOption(QCommandLineOption(flag));
    for (const QString &option : command.valued)
        parser.addOption(QCommandLineOption(option, QString(), QStringLiteral("VALUE")));
    if (!parser.parse(QStringList(QStringLiteral("korvane-cli")) + words))
        return ParseError(parser);
    sorted.operands = parser.positionalArguments().mid(1);
    for (const QString &name : parser.optionNames()) {
        if (command.flags.contains(name))
            sorted.flags << QStringLiteral("--") + name;
        else if (command.valued.contains(name))
            sorted.values.insert(QStringLiteral("--") + name, parser.value(name));
    }
    return {};
}

QString MisuseText(const QString &command, const QString &text)
{
    return QStringLiteral("%1: %2 (see korvane-cli %1 --help)").arg(command, text);
}

// A usage error of the program as a whole, pointing to its help.
QString WithHelp(const QString &text)
{
    return text + QStringLiteral(" (see korvane-cli --help)");
}

QString UnknownCommandText(const QString &name)
{
    return WithHelp(QStringLiteral("unknown command ") + Shown(name));
}

} // namespace

int CommandContext::Fail(int status, const QString &text) const
{
    return Report(status, where + text);
}

int CommandContext::Misuse(const QString &command, const QString &text) const
{
    return Fail(kUsageError, MisuseText(command, text));
}

int RunCommandLine(const QStringList &arguments)
{
    // The program's options before the command show which command it is;
    // then the command's options and the program's are taken anywhere.
    QCommandLineParser program;
    program.addOptions({kHelp, kVersion, kPort, kReference});
    program.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!program.parse(arguments))
        return Report(kUsageError, WithHelp(ParseError(program)));
    const QString name = program.positionalArguments().value(0);
    const Command *command = FindCommand(name, false);
    QCommandLineParser parser;
    parser.addOptions({kHelp, kVersion, kPort, kReference});
    Arguments sorted;
    if (const QString error = command ? Parse(parser, *command, arguments.mid(1), sorted) : QString(); !error.isEmpty())
        return Report(kUsageError, MisuseText(name, error));
    const QCommandLineParser &given = command ? parser : program;

    if (given.isSet(kReference))
        return Print(Reference());
    if (given.isSet(kVersion))
        return Print(QStringLiteral("korvane-cli %1\n").arg(QLatin1String(version::kVersion)));
    if (given.isSet(kHelp))
        return Print(command ? CommandUsage(*command) : ProgramHelp() + QStringLiteral("\nExit status:\n") + QLatin1String(kExitStatuses));
    if (name.isEmpty())
        return Report(kUsageError, WithHelp(QStringLiteral("no command given")));
    if (!command)
        return Report(kUsageError, UnknownCommandText(name));
    const std::optional<QString> port = given.isSet(kPort) ? std::optional(given.value(kPort)) : std::nullopt;
    if (port && port->trimmed().isEmpty())
        return Report(kUsageError, WithHelp(QStringLiteral("the port is empty: give a name, a path or a number")));

    DeviceSession device(port);
    CommandContext context{device, false, false, QString()};
    return command->run(context, sorted);
}

int RunCommand(CommandContext &context, const QStringList &words)
{
    const Command *command = FindCommand(words.value(0), true);
    if (!command)
        return context.Fail(kUsageError, UnknownCommandText(words.value(0)));
    QCommandLineParser parser;
    parser.addOption(kHelp);
    Arguments sorted;
    if (const QString error = Parse(parser, *command, words, sorted); !error.isEmpty())
        return context.Misuse(QLatin1String(command->name), error);
    if (parser.isSet(kHelp))
        return context.checkOnly ? kSuccess : Print(CommandUsage(*command));
    return command->run(context, sorted);
}
