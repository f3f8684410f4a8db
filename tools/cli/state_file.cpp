#include "tools/cli/state_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace {

QString StateFolder()
{
    // Relative values are to be ignored, as for the other XDG folders.
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base = QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/korvane-cli");
}

} // namespace

QString StateFilePath(const QString &stableName)
{
    return StateFolder() + u'/' + QString::fromLatin1(QUrl::toPercentEncoding(stableName));
}

PortState LoadState(const QString &path, QString &problem)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("cannot read %1: %2; starting from the defaults").arg(path, file.errorString());
        return {};
    }
    PortState state;
    const QStringList settings = QString::fromUtf8(file.read(4096)).simplified().split(u' ', Qt::SkipEmptyParts);
    for (const QString &setting : settings) {
        if (ApplySetting(setting, state) == kNoSetting) {
            problem = QStringLiteral("%1 is damaged; starting from the defaults").arg(path);
            return {};
        }
    }
    return state;
}

bool SaveState(const QString &path, const PortState &state, QString &problem)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(SettingsText(state).toUtf8() + '\n') < 0 || !file.commit()) {
        problem = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
