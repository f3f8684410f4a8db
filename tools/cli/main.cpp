// korvane-cli: drives and tests a KORVANE 24-line I/O device from scripts.

#include "tools/cli/commands.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    return RunCommandLine(QCoreApplication::arguments());
}
