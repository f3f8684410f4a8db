#include "tools/cli/console.h"

#include <cstdio>

namespace {

QString Escaped(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\t')
            escaped += QStringLiteral("\\t");
        else if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else if (c == u'\r')
            escaped += QStringLiteral("\\r");
        else if (c.category() == QChar::Other_Control)
            escaped += QStringLiteral("\\x") + QStringLiteral("%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

void PrintLine(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

int Report(int status, const QString &text)
{
    std::fprintf(stderr, "korvane-cli: %s\n", qPrintable(Escaped(text)));
    return status;
}

QString Shown(const QString &argument)
{
    constexpr qsizetype kLongest = 60;
    if (argument.size() <= kLongest)
        return argument;
    // Never half a character made of two UTF-16 units.
    const qsizetype cut = argument.at(kLongest - 1).isHighSurrogate() ? kLongest - 1 : kLongest;
    return argument.left(cut) + QStringLiteral("...");
}
