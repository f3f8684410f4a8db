// run, and the commands only scripts use: wait and expect.

#include "tools/cli/commands.h"
#include "tools/cli/console.h"

#include <QFile>
#include <QThread>
#include <cstdio>

namespace {

struct ScriptLine
{
    int number;
    QStringList words;
};

// Bounds of a script, so that endless or binary input ends with an error
// rather than with the memory: bytes in a line and lines in a script.
constexpr qsizetype kLongestLine = 4096;
constexpr int kMostLines = 10000;

// Reads the commands of a script line by line: one a line, "#" to the end
// of a line is a comment. Empty, or the error with the line it is on.
QString ReadScript(QFile &file, const QString &source, std::vector<ScriptLine> &lines)
{
    QByteArray pending;
    bool atEnd = false;
    for (int number = 1;; ++number) {
        // Up to the line end, or one byte more than a line may hold.
        qsizetype end = pending.indexOf('\n');
        while (end < 0 && pending.size() <= kLongestLine && !atEnd) {
            const QByteArray more = file.read(kLongestLine + 1 - pending.size());
            atEnd = more.isEmpty();
            pending += more;
            end = pending.indexOf('\n');
        }
        if (pending.isEmpty() && atEnd)
            break;
        if (number > kMostLines)
            return QStringLiteral("%1: more than %2 lines").arg(source).arg(kMostLines);
        const QByteArray line = pending.left(end < 0 ? pending.size() : end);
        const QString where = QStringLiteral("%1:%2: ").arg(source).arg(number);
        if (line.size() > kLongestLine)
            return where + QStringLiteral("line longer than %1 bytes").arg(kLongestLine);
        if (line.contains('\0'))
            return where + QStringLiteral("NUL byte in the line");
        const QString command = QString::fromUtf8(line).section(u'#', 0, 0).simplified();
        if (!command.isEmpty())
            lines.push_back({number, command.split(u' ')});
        pending.remove(0, end < 0 ? pending.size() : end + 1);
    }
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("cannot read %1: %2").arg(source, file.errorString());
    return {};
}

} // namespace

int RunScriptCommand(CommandContext &context, const Arguments &arguments)
{
    const QString name = QStringLiteral("run");
    const QStringList &args = arguments.operands;
    if (context.inScript)
        return context.Misuse(name, QStringLiteral("a script cannot run another script"));
    if (args.size() > 1)
        return context.Misuse(name, QStringLiteral("give one file, or - for standard input"));
    const QString path = args.value(0, QStringLiteral("-"));
    QFile file(path);
    const bool opened = path == u"-" ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened)
        return context.Misuse(name, QStringLiteral("cannot read %1: %2").arg(Shown(path), file.errorString()));
    const QString source = path == u"-" ? QStringLiteral("stdin") : Shown(path);
    std::vector<ScriptLine> lines;
    if (const QString error = ReadScript(file, source, lines); !error.isEmpty())
        return context.Fail(kUsageError, error);

    for (bool checkOnly : {true, false}) {
        for (const ScriptLine &line : lines) {
            CommandContext lineContext{context.device, checkOnly, true,
                                       QStringLiteral("%1:%2: ").arg(source).arg(line.number)};
            if (const int status = RunCommand(lineContext, line.words))
                return status;
        }
    }
    return kSuccess;
}

int WaitCommand(CommandContext &context, const Arguments &arguments)
{
    const QStringList &args = arguments.operands;
    bool ok = false;
    const int ms = args.size() == 1 ? args.front().toInt(&ok) : 0;
    if (!ok || ms < 0)
        return context.Misuse(QStringLiteral("wait"), QStringLiteral("give the time in milliseconds"));
    if (!context.checkOnly)
        QThread::msleep(static_cast<unsigned long>(ms));
    return kSuccess;
}

int ExpectCommand(CommandContext &context, const Arguments &arguments)
{
    const QString name = QStringLiteral("expect");
    const QStringList &args = arguments.operands;
    std::vector<Expectation> expectations;
    for (const QString &arg : args) {
        const std::optional<Expectation> expectation = ParseExpectation(arg);
        if (!expectation)
            return context.Misuse(name, QStringLiteral("%1 is not a reading such as A=5F or B3=1").arg(Shown(arg)));
        expectations.push_back(*expectation);
    }
    if (expectations.empty())
        return context.Misuse(name, QStringLiteral("give a reading such as A=5F or B3=1"));
    if (context.checkOnly)
        return kSuccess;
    if (const int status = context.device.Open())
        return status;

    // Each port is read once, the first time the line names it.
    std::array<std::optional<std::uint8_t>, kPortCount> levels;
    QStringList mismatches;
    for (std::size_t i = 0; i < expectations.size(); ++i) {
        const Expectation &expected = expectations[i];
        if (!levels[expected.port] && !(levels[expected.port] = context.device.Read(expected.port)))
            return NoAnswer(context, {PortName(expected.port)});
        const std::uint8_t read = *levels[expected.port] & expected.mask;
        if (read == expected.value)
            continue;
        const QString wanted = args[static_cast<qsizetype>(i)];
        const QString got = expected.mask == 0xFF ? Hex(read) : QString::number(read ? 1 : 0);
        mismatches << QStringLiteral("expected %1, read %2=%3").arg(wanted.toUpper(), wanted.section(u'=', 0, 0).toUpper(), got);
    }
    if (mismatches.isEmpty())
        return kSuccess;
    return context.Fail(kCheckFailed, QStringLiteral("expect %1: %2").arg(args.join(u' '), mismatches.join(QStringLiteral("; "))));
}
