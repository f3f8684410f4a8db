#include "device/port_name.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr long kLowestPort = 1;
constexpr long kHighestPort = 65535;

// atoi's reading of a number: an optional sign, then decimal digits up to the
// first other character. Saturates instead of overflowing.
long LeadingNumber(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long value = 0;
    for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 0x80; ++i) {
        value = std::min(value * 10 + (text[i].unicode() - u'0'), kHighestPort + 1);
    }
    return negative ? -value : value;
}

std::optional<QString> ComPortName(long number)
{
    if (number < kLowestPort || number > kHighestPort)
        return std::nullopt;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
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
        return ComPortName(0);
    const QChar first = text.front();
    if (first == u'+' || first == u'-' || (first.isDigit() && first.unicode() < 0x80))
        return ComPortName(LeadingNumber(text));

    static const QRegularExpression comName(QStringLiteral("^COM([0-9]+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = comName.match(text);
    if (match.hasMatch())
        return ComPortName(LeadingNumber(match.capturedView(1)));
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
