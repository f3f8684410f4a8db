#include "tools/cli/state_file.h"

#include "tools/cli/port_settings.h"

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

QByteArray StateText(const CPinTester &tester)
{
    QStringList settings;
    for (PortIndex P = 0; P < kPortCount; ++P)
        settings << PortName(P) + QStringLiteral(".dir=") + Hex(tester.m_portDir[P]);
    for (PortIndex P = 0; P < kPortCount; ++P)
        settings << PortName(P) + QStringLiteral(".out=") + Hex(tester.m_portOut[P]);
    return settings.join(u' ').toUtf8() + '\n';
}

bool ParseStateText(const QByteArray &text, CPinTester &tester)
{
    for (const QByteArray &setting : text.trimmed().split(' ')) {
        if (ApplySetting(QString::fromLatin1(setting), tester.m_portDir, tester.m_portOut) == kNoSetting)
            return false;
    }
    // Settings left out, written otherwise or given twice make another text.
    return StateText(tester) == text;
}
