#include "tools/cli/state_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QUrl>

namespace {

// The longest file name most file systems take, in bytes.
constexpr qsizetype kLongestFileName = 255;

QString StateFolder()
{
    // Relative values are to be ignored, as for the other XDG folders.
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base = QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/korvane-cli");
}

// The percent-encoded name, or when that is too long, as much of it as fits
// beside a hash of the whole name, cut between escapes.
QByteArray FileName(const QString &stableName)
{
    const QByteArray encoded = QUrl::toPercentEncoding(stableName);
    if (encoded.size() <= kLongestFileName)
        return encoded;
    const QByteArray hash = QCryptographicHash::hash(stableName.toUtf8(), QCryptographicHash::Sha256).toHex();
    qsizetype cut = kLongestFileName - 1 - hash.size();
    if (encoded[cut - 1] == '%')
        cut -= 1;
    else if (encoded[cut - 2] == '%')
        cut -= 2;
    return encoded.left(cut) + '-' + hash;
}

} // namespace

QString StateFilePath(const QString &stableName)
{
    return StateFolder() + u'/' + QString::fromLatin1(FileName(stableName));
}

QByteArray StateText(const PortState &state)
{
    return SettingsText(state).toUtf8() + '\n';
}

std::optional<PortState> ParseStateText(const QByteArray &text)
{
    PortState state;
    for (const QByteArray &setting : text.trimmed().split(' ')) {
        if (ApplySetting(QString::fromLatin1(setting), state) == kNoSetting)
            return std::nullopt;
    }
    // Settings left out, written otherwise or given twice make another text.
    if (StateText(state) != text)
        return std::nullopt;
    return state;
}
