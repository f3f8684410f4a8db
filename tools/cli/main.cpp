// korvane-cli: drives and tests a KORVANE 24-line I/O device from scripts.

#include "tools/cli/commands.h"
#include "tools/cli/console.h"

#include "res/version.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);

    std::optional<QString> port;
    while (!args.isEmpty() && args.front().startsWith(u'-')) {
        const QString option = args.takeFirst();
        if (option == u"-h" || option == u"--help") {
            std::fputs(qPrintable(ProgramHelp()), stdout);
            return kSuccess;
        }
        if (option == u"--version") {
            std::printf("korvane-cli %s\n", version::kVersion);
            return kSuccess;
        }
        if (option.startsWith(u"--port=")) {
            port = option.section(u'=', 1);
        } else if (option == u"-p" || option == u"--port") {
            if (args.isEmpty())
                return Report(kUsageError, option + QStringLiteral(" needs a port (see korvane-cli --help)"));
            port = args.takeFirst();
        } else {
            return Report(kUsageError, QStringLiteral("unknown option %1 (see korvane-cli --help)").arg(Shown(option)));
        }
    }
    if (args.isEmpty())
        return Report(kUsageError, QStringLiteral("no command given (see korvane-cli --help)"));

    DeviceSession device(port);
    CommandContext context{device, false, false, QString()};
    return RunCommand(context, args);
}
