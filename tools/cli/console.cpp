#include "tools/cli/console.h"

#include <cstdio>

void PrintLine(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

int Report(int status, const QString &text)
{
    std::fprintf(stderr, "korvane-cli: %s\n", qPrintable(text));
    return status;
}
