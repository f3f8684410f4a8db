#include "device/port_locks.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// A lock file naming no process yet may be one that its program has only
// just created and is about to write; for this long it counts as in use.
constexpr qint64 kUnfinishedLockSeconds = 5;
// The programs of this package, by the name Qt writes in their lock files:
// that of the executable.
constexpr const char *kOwnPrograms[] = {"korvane-pin-tester", "korvane-cli"};

bool IsDecimalText(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || (c >= '0' && c <= '9'); });
}

// The PID a lock file names: four bytes of binary PID, or decimal text on its
// first line (padded as "%10d\n" or bare, alone or followed by more lines).
// Four bytes of digits and spaces are decimal: as a binary PID they would be
// far above any the kernel gives. Four bytes of text may also end in a line
// break, which no binary PID's last byte is. 0 when it names none.
qint64 LockPid(const QByteArray &content)
{
    if (content.size() == sizeof(std::int32_t) && !content.endsWith('\n') && !IsDecimalText(content)) {
        std::int32_t pid = 0;
        std::memcpy(&pid, content.constData(), sizeof pid);
        return pid;
    }
    const QByteArray firstLine = content.split('\n').constFirst().trimmed();
    const bool decimal = !firstLine.isEmpty()
        && std::all_of(firstLine.begin(), firstLine.end(), [](char c) { return c >= '0' && c <= '9'; });
    return decimal ? firstLine.toLongLong() : 0;
}

// What a lock file holds while its program is still writing it: nothing yet,
// part of a binary PID, or part of a decimal one before its line break.
bool MayBeUnfinished(const QByteArray &content)
{
    return !content.contains('\n') && (content.size() < qsizetype(sizeof(std::int32_t)) || IsDecimalText(content));
}

// Qt's lock files hold the PID, then the name of the executable that wrote
// it: one of this package's programs, or this one under whatever name it runs.
bool WrittenByOwnProgram(const QByteArray &content)
{
    const QList<QByteArray> lines = content.split('\n');
    if (lines.size() < 2)
        return false;
    const QByteArray &writer = lines[1];
    return writer == QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8()
        || std::any_of(std::begin(kOwnPrograms), std::end(kOwnPrograms),
                       [&writer](const char *program) { return writer == program; });
}

} // namespace

QStringList LockFileNames(const QString &deviceName)
{
    QStringList names;
    for (const QString &path : {deviceName, QFileInfo(deviceName).canonicalFilePath()}) {
        if (path.isEmpty())
            continue;
        QString below = path.startsWith(QLatin1String("/dev/")) ? path.mid(5) : path;
        names << QStringLiteral("LCK..") + below.replace(u'/', u'_');
        names << QStringLiteral("LCK..") + path.section(u'/', -1);
    }
    names.removeDuplicates();
    return names;
}

std::optional<OpenFailure> RefusalOfLockContent(const QByteArray &content, qint64 ageSeconds, const QString &path,
                                                const std::function<bool(qint64 pid)> &isRunning)
{
    const qint64 pid = LockPid(content);
    if (pid > 0 && isRunning(pid))
        return OpenFailure{.reason = OpenFailure::Reason::InUse, .pid = pid};
    const bool changedMomentsAgo = ageSeconds < kUnfinishedLockSeconds && ageSeconds > -kUnfinishedLockSeconds;
    if (pid == 0 && MayBeUnfinished(content) && changedMomentsAgo)
        return OpenFailure{OpenFailure::Reason::InUse};
    if (pid > 0 && WrittenByOwnProgram(content))
        return std::nullopt;
    return OpenFailure{.reason = OpenFailure::Reason::StaleLock, .lockFile = path};
}
