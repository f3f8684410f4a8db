// watch: a line for each pin whose level changes.

#include "tools/cli/commands.h"
#include "tools/cli/console.h"
#include "tools/cli/interruptions.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <limits>

namespace {

enum class Format { Text, Csv, Jsonl };

// How often a device that has gone is looked for.
constexpr qint64 kSearchPeriodMs = 200;

struct WatchOptions
{
    int intervalMs = 100;
    int count = 0;           // changes to wait for; 0 = no limit
    qint64 durationMs = 0;   // 0 = no limit
    Format format = Format::Text;
    bool relative = false;
};

// What the line is doing, as the events that tell a change of it name it.
enum class LineState { Answering, NoAnswer, UnexpectedData, Disconnected };

struct LineEvent
{
    const char *name;
    QString text;
};

// The event that tells that the line has come to a state; "reconnected"
// tells that the port was opened again on the device that went.
LineEvent EventOf(LineState state)
{
    switch (state) {
    case LineState::Answering:
        return {"answer", QStringLiteral("Device answers again.")};
    case LineState::NoAnswer:
        return {"no-answer", PollProblemText(PollResult::Outcome::NoAnswer)};
    case LineState::UnexpectedData:
        return {"unexpected-data", PollProblemText(PollResult::Outcome::UnexpectedData)};
    case LineState::Disconnected:
        break;
    }
    return {"disconnected", LineLostText()};
}

const LineEvent kReconnected{"reconnected", QStringLiteral("Device connected again.")};

LineState StateOf(PollResult::Outcome outcome)
{
    switch (outcome) {
    case PollResult::Outcome::Answered:
        return LineState::Answering;
    case PollResult::Outcome::NoAnswer:
        return LineState::NoAnswer;
    case PollResult::Outcome::UnexpectedData:
        break;
    }
    return LineState::UnexpectedData;
}

// One event line: a pin change, or a change of what the line is doing.
struct Event
{
    QString time;
    QString what;  // "change", or the name of a line event
    QString text;  // a line event's text
    PortIndex port = 0;
    int pin = 0;
    bool oldLevel = false;
    bool newLevel = false;
};

QString EventLine(const Event &event, const WatchOptions &options)
{
    const bool change = event.what == u"change";
    switch (options.format) {
    case Format::Text:
        if (!change)
            return event.time + u' ' + event.text;
        return QStringLiteral("%1 %2%3 %4 -> %5").arg(event.time, PortName(event.port)).arg(event.pin)
            .arg(int(event.oldLevel)).arg(int(event.newLevel));
    case Format::Csv:
        if (!change)
            return event.time + u',' + event.what + QStringLiteral(",,,,");
        return QStringLiteral("%1,change,%2,%3,%4,%5").arg(event.time, PortName(event.port)).arg(event.pin)
            .arg(int(event.oldLevel)).arg(int(event.newLevel));
    case Format::Jsonl:
        break;
    }
    QJsonObject object{{"event", event.what}};
    object.insert(QStringLiteral("time"), options.relative ? QJsonValue(event.time.toDouble()) : QJsonValue(event.time));
    if (change) {
        object.insert(QStringLiteral("port"), PortName(event.port));
        object.insert(QStringLiteral("pin"), event.pin);
        object.insert(QStringLiteral("old"), int(event.oldLevel));
        object.insert(QStringLiteral("new"), int(event.newLevel));
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// ISO 8601 with milliseconds and the local offset from UTC.
QString TimeOfDay(const QDateTime &utc)
{
    const QDateTime local = utc.toLocalTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString ParseWatchOptions(const Arguments &sorted, WatchOptions &options)
{
    if (!sorted.operands.isEmpty())
        return QStringLiteral("unexpected ") + Shown(sorted.operands.front());
    options.relative = sorted.flags.contains(QStringLiteral("--relative"));
    bool ok = true;
    auto number = [&](const char *option, double low, double high, double fallback) {
        const QString text = sorted.values.value(QLatin1String(option));
        if (text.isEmpty() && !sorted.values.contains(QLatin1String(option)))
            return fallback;
        bool parsed = false;
        const double value = text.toDouble(&parsed);
        // Checked before any conversion: 1e300 or nan fits no integer.
        const bool inRange = parsed && value >= low && value <= high;
        ok = ok && inRange;
        return inRange ? value : fallback;
    };
    options.intervalMs = static_cast<int>(number("--interval", 1, 3600000, 100));
    options.count = static_cast<int>(number("--count", 1, 1e9, 0));
    options.durationMs = static_cast<qint64>(number("--duration", 0.001, 1e7, 0) * 1000);
    if (!ok)
        return QStringLiteral("--interval, --count and --duration take positive numbers");
    const QString format = sorted.values.value(QStringLiteral("--format"), QStringLiteral("text"));
    const std::pair<const char *, Format> formats[] = {{"text", Format::Text}, {"csv", Format::Csv}, {"jsonl", Format::Jsonl}};
    for (const auto &[formatName, value] : formats) {
        if (format == QLatin1String(formatName)) {
            options.format = value;
            return {};
        }
    }
    return QStringLiteral("--format takes text, csv or jsonl");
}

} // namespace

int WatchCommand(CommandContext &context, const Arguments &sorted)
{
    const QString name = QStringLiteral("watch");
    WatchOptions options;
    if (const QString error = ParseWatchOptions(sorted, options); !error.isEmpty())
        return context.Misuse(name, error);
    if (context.checkOnly)
        return kSuccess;
    if (const int status = context.device.Open())
        return status;

    const Interruptions interruptions(!context.inScript);
    QElapsedTimer clock;
    clock.start();
    if (options.format == Format::Csv)
        PrintLine(QStringLiteral("time,event,port,pin,old,new"));
    std::array<std::optional<std::uint8_t>, kPortCount> levels;
    LineState line = LineState::Answering;
    int polls = 0, changes = 0, silentPolls = 0;
    bool countReached = false;
    qint64 lastSearchMs = -kSearchPeriodMs;
    for (qint64 nextPoll = 0;; nextPoll += options.intervalMs) {
        // The time of the poll, written out only when a line needs it: the
        // time of day costs look-ups of the time zone.
        const qint64 pollMs = clock.elapsed();
        const QDateTime pollTime = options.relative ? QDateTime() : QDateTime::currentDateTimeUtc();
        Event event;
        auto print = [&] {
            if (event.time.isEmpty())
                event.time = options.relative ? QString::number(pollMs / 1000.0, 'f', 3) : TimeOfDay(pollTime);
            PrintLine(EventLine(event, options));
        };
        auto tell = [&](const LineEvent &lineEvent) {
            event.what = QLatin1String(lineEvent.name);
            event.text = lineEvent.text;
            print();
        };
        LineState now = line;
        if (line == LineState::Disconnected && pollMs - lastSearchMs >= kSearchPeriodMs) {
            lastSearchMs = pollMs;
            if (context.device.Reopen()) {
                tell(kReconnected);
                line = now = LineState::Answering;
            }
        }
        if (line != LineState::Disconnected) {
            const PollResult result = context.device.Poll();
            now = result.outcome != PollResult::Outcome::Answered && context.device.Lost() ? LineState::Disconnected
                                                                                          : StateOf(result.outcome);
            for (PortIndex P = 0; P < kPortCount && !countReached; ++P) {
                const std::optional<std::uint8_t> read =
                    result.answered[P] ? std::optional(result.levels[P]) : std::nullopt;
                for (int n = 0; read && levels[P] && n < kPinsPerPort && !countReached; ++n) {
                    event.oldLevel = (*levels[P] >> n) & 1;
                    event.newLevel = (*read >> n) & 1;
                    if (event.oldLevel == event.newLevel)
                        continue;
                    event.what = QStringLiteral("change");
                    event.port = P;
                    event.pin = n;
                    print();
                    countReached = ++changes == options.count;
                }
                if (read)
                    levels[P] = read;
            }
            ++polls;
            silentPolls += now != LineState::Answering;
        }
        if (now != line) {
            line = now;
            tell(EventOf(line));
        }
        const qint64 end = options.durationMs ? options.durationMs : std::numeric_limits<qint64>::max();
        if (countReached || clock.elapsed() >= end)
            break;
        nextPoll = std::max(nextPoll, clock.elapsed() - options.intervalMs);
        if (!interruptions.Pause(std::min(nextPoll + options.intervalMs, end) - clock.elapsed()))
            break;
    }
    context.Fail(kSuccess, QStringLiteral("watched %1 s: %2 polls, %3 pin changes, %4 polls without an answer")
                               .arg(clock.elapsed() / 1000.0, 0, 'f', 3).arg(polls).arg(changes).arg(silentPolls));
    if (line != LineState::Answering)
        return context.Fail(kNoDevice, EventOf(line).text);
    return options.count && !countReached && options.durationMs && !interruptions.Signal() ? kCheckFailed : kSuccess;
}
