// watch: a line for each pin whose level changes.

#include "tools/cli/commands.h"
#include "tools/cli/console.h"
#include "tools/cli/interruptions.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <cstdlib>
#include <limits>

namespace {

enum class Format { Text, Csv, Jsonl };

struct WatchOptions
{
    int intervalMs = 100;
    int count = 0;           // changes to wait for; 0 = no limit
    qint64 durationMs = 0;   // 0 = no limit
    Format format = Format::Text;
    bool relative = false;
};

// What the line is doing: how the last poll went (indexed by
// PollResult::Outcome), or kDisconnected once the device has gone; and the
// event that tells that it has come to that.
constexpr int kAnswering = 0;
constexpr int kDisconnected = 3;
struct LineEvent
{
    const char *name;
    QString text;
};
const LineEvent kLineEvents[] = {
    {"answer", QStringLiteral("Device answers again.")},
    {"no-answer", PollProblemText(PollResult::Outcome::NoAnswer)},
    {"unexpected-data", PollProblemText(PollResult::Outcome::UnexpectedData)},
    {"disconnected", LineLostText()},
};
// The port was opened again on the device that went.
const LineEvent kReconnected{"reconnected", QStringLiteral("Device connected again.")};

// ISO 8601 with milliseconds and the local offset from UTC, "+00:00" for none.
QString TimeOfDay(const QDateTime &utc)
{
    const QDateTime local = utc.toLocalTime();
    const int offsetMinutes = local.offsetFromUtc() / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"))
           + QStringLiteral("%1%2:%3").arg(QChar(offsetMinutes < 0 ? u'-' : u'+'))
                 .arg(std::abs(offsetMinutes) / 60, 2, 10, QLatin1Char('0'))
                 .arg(std::abs(offsetMinutes) % 60, 2, 10, QLatin1Char('0'));
}

// One line of output at a poll: a line event, or with a pin (port * 8 +
// bit) its change to `level`. The jsonl form always has both the time of
// day and the seconds since the start.
QString EventLine(const WatchOptions &options, qint64 elapsedMs, const QString &timeOfDay, const LineEvent &event,
                  int pin = -1, bool level = false)
{
    const QString port = PortName(pin / kPinsPerPort);
    const int bit = pin % kPinsPerPort;
    if (options.format == Format::Jsonl) {
        QJsonObject object{{"event", event.name}, {"time", timeOfDay}, {"elapsed", elapsedMs / 1000.0}};
        if (pin >= 0) {
            object.insert(QStringLiteral("port"), port);
            object.insert(QStringLiteral("pin"), bit);
            object.insert(QStringLiteral("old"), int(!level));
            object.insert(QStringLiteral("new"), int(level));
        }
        return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    const QString time = options.relative ? QString::number(elapsedMs / 1000.0, 'f', 3) : timeOfDay;
    if (options.format == Format::Csv && pin < 0)
        return time + u',' + QLatin1String(event.name) + QStringLiteral(",,,,");
    if (options.format == Format::Csv)
        return QStringLiteral("%1,change,%2,%3,%4,%5").arg(time, port).arg(bit).arg(int(!level)).arg(int(level));
    if (pin < 0)
        return time + u' ' + event.text;
    return QStringLiteral("%1 %2%3 %4 -> %5").arg(time, port).arg(bit).arg(int(!level)).arg(int(level));
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
    CPinTester &tester = context.device.Tester();
    QElapsedTimer clock;
    clock.start();
    if (options.format == Format::Csv)
        PrintLine(QStringLiteral("time,event,port,pin,old,new"));
    std::array<std::optional<std::uint8_t>, kPortCount> levels;
    int line = kAnswering, polls = 0, changes = 0, silentPolls = 0;
    bool countReached = false;
    qint64 lastSearchMs = -LineKeeper::kSearchPeriodMs;
    const qint64 end = options.durationMs ? options.durationMs : std::numeric_limits<qint64>::max();
    for (qint64 nextPoll = 0;; nextPoll += options.intervalMs) {
        const qint64 pollMs = clock.elapsed();
        const QDateTime pollTime = QDateTime::currentDateTimeUtc();
        // Written out once, when a line of this poll needs it: the time of
        // day costs look-ups of the time zone.
        QString timeOfDay;
        auto print = [&](const LineEvent &event, int pin = -1, bool level = false) {
            if (timeOfDay.isEmpty())
                timeOfDay = TimeOfDay(pollTime);
            PrintLine(EventLine(options, pollMs, timeOfDay, event, pin, level));
        };
        int now = line;
        if (line == kDisconnected && pollMs - lastSearchMs >= LineKeeper::kSearchPeriodMs) {
            lastSearchMs = pollMs;
            if (tester.Reopen()) {
                print(kReconnected);
                line = now = kAnswering;
            }
        }
        if (line != kDisconnected) {
            tester.BeginAction();
            const PollResult result = tester.Poll();
            now = static_cast<int>(result.outcome);
            // Only a poll that went wrong makes the line worth a look.
            if (now != kAnswering) {
                tester.CheckLineAfterPoll();
                now = tester.m_serial.IsOpen() ? now : kDisconnected;
            }
            for (PortIndex P = 0; P < kPortCount && !countReached; ++P) {
                for (int n = 0; result.answered[P] && levels[P] && n < kPinsPerPort && !countReached; ++n) {
                    const bool level = (result.levels[P] >> n) & 1;
                    if (level == bool((*levels[P] >> n) & 1))
                        continue;
                    print({"change", {}}, P * kPinsPerPort + n, level);
                    countReached = ++changes == options.count;
                }
                if (result.answered[P])
                    levels[P] = result.levels[P];
            }
            ++polls;
            silentPolls += now != kAnswering;
        }
        if (now != line) {
            line = now;
            print(kLineEvents[line]);
        }
        if (countReached || clock.elapsed() >= end)
            break;
        nextPoll = std::max(nextPoll, clock.elapsed() - options.intervalMs);
        if (!interruptions.Pause(std::min(nextPoll + options.intervalMs, end) - clock.elapsed()))
            break;
    }
    context.Fail(kSuccess, QStringLiteral("watched %1 s: %2 polls, %3 pin changes, %4 polls without an answer")
                               .arg(clock.elapsed() / 1000.0, 0, 'f', 3).arg(polls).arg(changes).arg(silentPolls));
    if (line != kAnswering)
        return context.Fail(kNoDevice, kLineEvents[line].text);
    return options.count && !countReached && options.durationMs && !interruptions.Signal() ? kCheckFailed : kSuccess;
}
