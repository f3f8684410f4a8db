#include "device/port_name.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>

namespace {

// A COM port number as the C library's atoi reads it: an optional sign, then
// decimal digits up to the first other character.
std::optional<QString> ComPortName(QStringView number)
{
    const long n = std::strtol(number.toLatin1().constData(), nullptr, 10);
    if (n < 1 || n > 65535)
        return std::nullopt;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

QString NamedPath(const QString &name)
{
#ifdef Q_OS_WIN
    return name;
#else
    return name.startsWith(u'/') ? name : QStringLiteral("/dev/") + name;
#endif
}

} // namespace

bool HoldsControlCharacter(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

std::optional<QString> PortPathAsTyped(const QString &fieldText)
{
    if (HoldsControlCharacter(fieldText))
        return std::nullopt;
    const QString text = fieldText.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const QChar first = text.front();
    if (first == u'+' || first == u'-' || (first.isDigit() && first.unicode() < 0x80))
        return ComPortName(text);

    static const QRegularExpression comName(QStringLiteral("^COM([0-9]+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = comName.match(text);
    if (match.hasMatch())
        return ComPortName(match.capturedView(1));
    return NamedPath(text);
}

// Links are followed so that every name of one device takes the same lock
// when it is opened.
std::optional<QString> PortDeviceName(const QString &fieldText)
{
    const std::optional<QString> path = PortPathAsTyped(fieldText);
#ifndef Q_OS_WIN
    if (path) {
        const QString target = QFileInfo(*path).canonicalFilePath();
        return target.isEmpty() ? path : target;
    }
#endif
    return path;
}
