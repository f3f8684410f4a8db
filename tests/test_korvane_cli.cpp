// korvane-cli as scripts use it: the real program against korvane-sim, both
// started as processes, judged by their output, the device's view of the wire
// and the exit status.

#include "cli_process.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QUrl>
#include <csignal>

namespace {

// The faulty pins of a test report as "A3 stuck at 0", "B1 shorted B5".
QStringList FaultyPins(const QString &jsonReport)
{
    QStringList faulty;
    for (const QJsonValue pin : QJsonDocument::fromJson(jsonReport.toUtf8())[u"pins"].toArray()) {
        if (pin[u"result"].toString() != u"ok")
            faulty << QStringList{pin[u"pin"].toString(), pin[u"result"].toString(), pin[u"with"].toVariant().toStringList().join(u',')}
                          .join(u' ').trimmed();
    }
    return faulty;
}

// The lines of a watch's output, less those that say the device answered
// late or answers again.
QStringList WithoutLateAnswers(const QString &out)
{
    static const QRegularExpression late(QStringLiteral("no-answer|No answer from device|Device answers again|,answer,|\"answer\""));
    QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    lines.removeIf([](const QString &line) { return late.match(line).hasMatch(); });
    return lines;
}

} // namespace

class TestKorvaneCli : public QObject
{
    Q_OBJECT
private slots:
    void settingsComposeAcrossRunsAndGoOnTheWireAsTheWindowSendsThem()
    {
        CliTest cli;
        Sim sim({});
        const QString port = sim.Device();
        QCOMPARE(cli.Run({"-p", port, "read"}).out, "A=FF B=FF C=FF\n");
        QCOMPARE(sim.Trace(3), QStringList({"read A FF", "read B FF", "read C FF"}));

        // A pin made an output gets its level before its direction.
        QCOMPARE(cli.Run({"-p", port, "set", "B3=1"}).status, 0);
        QCOMPARE(sim.Trace(6), QStringList({"output A 00", "output B 08", "output C 00",
                                            "direction A FF", "direction B F7", "direction C FF"}));
        QCOMPARE(cli.Run({"-p", port, "set", "A.dir=0F"}).status, 0);
        QCOMPARE(sim.Trace(3), QStringList({"direction A 0F", "direction B F7", "direction C FF"}));
        QCOMPARE(cli.Run({"-p", port, "set", "a.out=50", "B3=in", "C0=out"}).status, 0);
        QCOMPARE(sim.Trace(6), QStringList({"output A 50", "output B 08", "output C 00",
                                            "direction A 0F", "direction B FF", "direction C FE"}));
        QCOMPARE(cli.Run({"-p", port, "read", "--bin", "A", "C"}).out, "A=01011111 C=11111110\n");
        QCOMPARE(cli.Run({"-p", port, "read", "--json"}).out, "{\"A\":95,\"B\":255,\"C\":254}\n");
        sim.Trace();

        // sync sends everything remembered as Connect does; --reset forgets it.
        QCOMPARE(cli.Run({"-p", port, "sync"}).status, 0);
        QCOMPARE(sim.Trace(6), QStringList({"direction A 0F", "direction B FF", "direction C FE",
                                            "output A 50", "output B 08", "output C 00"}));
        const QString stateFile = QDir(cli.StateFolder()).entryList(QDir::Files).value(0);
        QCOMPARE(QUrl::fromPercentEncoding(stateFile.toLatin1()), QFileInfo(port).canonicalFilePath());
        QCOMPARE(cli.Run({"-p", port, "set", "--reset", "C7=0"}).status, 0);
        QCOMPARE(sim.Trace(6), QStringList({"output A 00", "output B 00", "output C 00",
                                            "direction A FF", "direction B FF", "direction C 7F"}));
        QCOMPARE(cli.Run({"-p", port, "read"}).out, "A=FF B=FF C=7F\n");
    }

    // Command lines as typed (PORT an answering device, SILENT a silent one): the start of the output, or
    // the status and the one error line, which points to --help for a usage error.
    void commandLinesEndWithTheirStatus_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        const std::tuple<QStringList, int, const char *> rows[] = {
            {{"-pPORT", "read", "A"}, 0, "A=FF\n"}, {{"-p", "PORT", "read", "A"}, 0, "A=FF\n"},
            {{"--port=PORT", "read", "A"}, 0, "A=FF\n"}, {{"--port", "PORT", "read", "A"}, 0, "A=FF\n"},
            {{"read", "A", "-pPORT"}, 0, "A=FF\n"}, {{"read", "-p", "PORT", "A"}, 0, "A=FF\n"},
            {{"read", "--port=PORT", "A"}, 0, "A=FF\n"}, {{"read", "--port", "PORT", "--bin", "C"}, 0, "C=11111111\n"},
            {{"-p", "PORT", "--", "read", "A"}, 0, "A=FF\n"}, {{"-p", "PORT", "read", "--", "A"}, 0, "A=FF\n"},
            {{"run", "-p", "PORT", "--", "-"}, 0, "A=FF\n"},
            {{"-V"}, 0, "korvane-cli 1."}, {{"--version"}, 0, "korvane-cli 1."}, {{"read", "-V"}, 0, "korvane-cli 1."},
            {{"-h"}, 0, "Usage: korvane-cli [-p PORT] COMMAND"}, {{"--help", "watch"}, 0, "Usage: korvane-cli [-p PORT] watch"},
            {{"watch", "--count", "3", "-h"}, 0, "Usage: korvane-cli [-p PORT] watch"},
            {{"read"}, 2, "needs a port"},
            {{"-p", "PORT", "set", "B8=1"}, 2, "set: B8=1 is not a setting"},
            {{"-p", "PORT", "read", "--bin", "--json"}, 2, "exclude each other"},
            {{"-p", "PORT", "frobnicate"}, 2, "unknown command frobnicate"},
            {{"-p", "PORT", "watch", "--interval", "0"}, 2, "positive numbers"},
            {{"-p", "PORT", "test", "loopback", "A:A"}, 2, "two different ports"},
            {{"-p", "", "read"}, 2, "korvane-cli: the port is empty"}, {{"read", "--port= "}, 2, "the port is empty"},
            {{}, 2, "korvane-cli: no command given"}, {{"-p", "PORT", "--"}, 2, "no command given"},
            {{"-x", "read"}, 2, "korvane-cli: unknown option -x"}, {{"--json", "read"}, 2, "korvane-cli: unknown option --json"},
            {{"-p", "PORT", "read", "--json=1"}, 2, "read: unexpected value after '--json"},
            {{"-p", "PORT", "list", "--bin"}, 2, "list: unknown option --bin"},
            {{"-p", "PORT", "run", "-x"}, 2, "run: unknown option -x"}, {{"run", "/no/script"}, 2, "run: cannot read /no/script"},
            {{"read", "-p"}, 2, "read: missing value after '-p'"},
            {{"-p", "PORT", "watch", "--count"}, 2, "watch: missing value after '--count'"},
            {{"-p", "/dev/no-such-port", "read"}, 3, "/dev/no-such-port: Connection failed."},
            {{"-p", "0", "read"}, 3, "Connection failed."},
            {{"-p", "SILENT", "read", "B", "C"}, 3, "No answer from device on ports B, C."},
            {{"-p", "SILENT", "test", "readback"}, 3, "No answer from device on port A."},
        };
        for (const auto &[args, status, text] : rows)
            QTest::newRow(qPrintable(args.join(u' '))) << args << status << QString(text);
    }
    void commandLinesEndWithTheirStatus()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, text);
        CliTest cli;
        Sim sim({});
        Sim silent({"--silent"});
        args.replaceInStrings(QStringLiteral("SILENT"), silent.Device()).replaceInStrings(QStringLiteral("PORT"), sim.Device());
        const Result result = cli.Run(args, "read A\n");
        QCOMPARE(result.status, status);
        if (status == 0)
            QVERIFY2(result.err.isEmpty() && result.out.startsWith(text), qPrintable(result.err + result.out));
        else
            QVERIFY2(result.err.count(u'\n') == 1 && result.err.contains(text) && (status != 2 || result.err.endsWith(" --help)\n")),
                     qPrintable(result.err));
    }

    void silentPortsHelpAndMachineForms()
    {
        CliTest cli;
        Sim silent({"--silent"});
        QCOMPARE(cli.Run({"-p", silent.Device(), "read", "A", "C", "--bin"}).out, "A=-------- C=--------\n");
        QCOMPARE(cli.Run({"-p", silent.Device(), "read", "--json"}).out, "{\"A\":null,\"B\":null,\"C\":null}\n");

        // The manual page is made from --help-all: it carries every line of each command's help.
        const QString reference = cli.Run({"--help-all"}).out, overview = cli.Run({"--help"}).out;
        for (const char *command : {"list", "read", "set", "sync", "watch", "test", "run"}) {
            const Result help = cli.Run({command, "--help"});
            QVERIFY2(help.status == 0 && help.out.startsWith("Usage: korvane-cli [-p PORT] " + QString(command))
                         && overview.contains("\n  " + QString(command)), command);
            for (const QString &line : help.out.split(u'\n', Qt::SkipEmptyParts).mid(1))
                QVERIFY2(reference.contains("  " + line + u'\n'), qPrintable(line));
        }
        const Result list = cli.Run({"list", "--json"});  // null for a value not known, never ""
        QVERIFY(list.status == 0 && QJsonDocument::fromJson(list.out.toUtf8()).isArray() && !list.out.contains("\"\""));
    }

    void watchReportsChangesSilenceAndEndsCleanly()
    {
        CliTest cli;
        Sim sim({"--walk", "150"});
        // The walk moves a one on port A, counts on B and moves a zero on C.
        const Result csv = cli.Run({"-p", sim.Device(), "watch", "--count", "6", "--format", "csv", "--relative"});
        // A loaded machine may delay an answer past the read time-out: those
        // polls are reported as such and never as pin changes.
        const QStringList rows = WithoutLateAnswers(csv.out);
        QVERIFY2(csv.status == 0 && rows.size() == 7 && rows.front() == u"time,event,port,pin,old,new", qPrintable(csv.out));
        static const QRegularExpression change(QStringLiteral("^\\d+\\.\\d{3},change,[ABC],[0-7],([01]),(?!\\1)[01]$"));
        for (const QString &row : rows.mid(1))
            QVERIFY2(change.match(row).hasMatch(), qPrintable(row));
        QVERIFY(csv.err.contains("6 pin changes,"));

        const QString time = QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d");
        const Result text = cli.Run({"-p", sim.Device(), "watch", "--count", "1", "--interval", "20"});
        const QRegularExpression stamped(u'^' + time + QStringLiteral(" [ABC][0-7] ([01]) -> (?!\\1)[01]\\n$"));
        QVERIFY2(stamped.match(WithoutLateAnswers(text.out).join(u'\n') + u'\n').hasMatch(), qPrintable(text.out));

        // Ctrl-C ends it with the summary and success; jsonl has both times whatever --relative says.
        QProcess watch;
        cli.Start(watch, {"-p", sim.Device(), "watch", "--format", "jsonl", "--relative"});
        QVERIFY(watch.waitForReadyRead(5000));
        ::kill(static_cast<pid_t>(watch.processId()), SIGINT);
        const Result interrupted = CliTest::Finish(watch, 2000);
        QCOMPARE(interrupted.status, 0);
        const QJsonObject first = QJsonDocument::fromJson(WithoutLateAnswers(interrupted.out).value(0).toUtf8()).object();
        QCOMPARE(first.value("event").toString(), "change");
        QVERIFY(QRegularExpression(u'^' + time + u'$').match(first.value("time").toString()).hasMatch() && first.value("elapsed").isDouble());
        QVERIFY(interrupted.err.contains("pin changes"));

        // A device that stops answering is reported, not read as FF.
        Sim quiet({"--silent"});
        const Result silent = cli.Run({"-p", quiet.Device(), "watch", "--duration", "0.3", "--count", "1"});
        QVERIFY2(silent.status == 3 && silent.out.endsWith(" No answer from device.\n") && silent.out.count(u'\n') == 1,
                 qPrintable(silent.out));
        Sim steady({});
        QCOMPARE(cli.Run({"-p", steady.Device(), "watch", "--duration", "0.3", "--count", "1"}).status, 1);
    }

    // The device goes and comes back under the same link, made anew: watch says so and goes on. A device
    // that answers twice is reported, and its extra bytes never show as pin changes.
    void watchFollowsTheDeviceAndDistrustsExtraBytes()
    {
        CliTest cli;
        QTemporaryDir dir;
        const QString link = dir.filePath("device");
        auto sim = std::make_unique<Sim>(QStringList{"--link", link, "--inputs", "A=11,B=22,C=33"});
        QProcess watch;
        cli.Start(watch, {"-p", link, "watch", "--relative", "--duration", "3"});
        QTest::qWait(500);
        sim.reset();
        QTest::qWait(500);
        sim = std::make_unique<Sim>(QStringList{"--link", link, "--inputs", "A=10,B=22,C=33"});
        const Result followed = CliTest::Finish(watch);
        QCOMPARE(followed.status, 0);
        QStringList events = followed.out.split(u'\n', Qt::SkipEmptyParts);  // without their times
        QCOMPARE(events.replaceInStrings(QRegularExpression(QStringLiteral("^\\S+ ")), QString()),
                 QStringList({"Device disconnected.", "Device connected again.", "A0 1 -> 0"}));

        Sim doubled({"--double", "--walk", "100"});
        const Result distrusted = cli.Run({"-p", doubled.Device(), "watch", "--duration", "1"});
        QVERIFY2(distrusted.status == 3 && distrusted.err.contains(" 0 pin changes") && distrusted.out.count(u'\n') == 1
                     && distrusted.out.endsWith(" Unexpected data from device.\n"), qPrintable(distrusted.out + distrusted.err));
    }

    void loopbackNamesExactlyTheFaultyPinsAndKinds()
    {
        CliTest cli;
        const std::pair<QStringList, QStringList> cases[] = {
            {{}, {}},
            {{"--fault", "A0=0", "--fault", "B5=0", "--fault", "A7=0"}, {"A0 stuck at 0", "A7 stuck at 0", "B5 stuck at 0"}},
            {{"--fault", "B2=1", "--fault", "A4=1"}, {"A4 stuck at 1", "B2 stuck at 1"}},
            {{"--open", "A1", "--open", "B6"}, {"A1 open B1", "A6 open B6", "B1 open A1", "B6 open A6"}},
            {{"--short", "A2:A3", "--short", "B0:A6"}, {"A2 shorted A3", "A3 shorted A2", "A6 shorted B0", "B0 shorted A6"}},
            {{"--short", "B4:B7", "--fault", "A1=1", "--open", "A0"},
             {"A0 open B0", "A1 stuck at 1", "B0 open A0", "B4 shorted B7", "B7 shorted B4"}},
        };
        for (const auto &[faults, report] : cases) {
            Sim sim(QStringList{"--loopback", "A:B"} + faults);
            const Result result = cli.Run({"-p", sim.Device(), "test", "loopback", "A:B", "--json"});
            QCOMPARE(FaultyPins(result.out), report);
            QCOMPARE(result.status, report.isEmpty() ? 0 : 1);
        }

        // The table form; the state found before the test is sent again after it.
        Sim sim({"--loopback", "C:A", "--fault", "C3=0"});
        QCOMPARE(cli.Run({"-p", sim.Device(), "set", "B.dir=00", "B.out=A5"}).status, 0);
        sim.Trace(6);
        const Result table = cli.Run({"-p", sim.Device(), "test", "loopback", "C:A"});
        QVERIFY2(table.out.startsWith("pin  result\nA0   ok\n") && table.out.contains("\nC3   stuck at 0\n")
                     && table.out.endsWith("\nloopback C:A: 1 of 16 pins faulty\n"), qPrintable(table.out));
        const QStringList trace = sim.Trace();
        QCOMPARE(trace.filter(QStringLiteral("read")).size(), 32);
        QVERIFY(trace.filter(QStringLiteral("ignored")).isEmpty());
        QCOMPARE(trace.mid(trace.size() - 6), QStringList({"direction A FF", "direction B 00", "direction C FF",
                                                          "output A 00", "output B A5", "output C 00"}));
    }

    void readbackFindsPinsHeldOrShortedWithoutWiring()
    {
        CliTest cli;
        Sim sim({"--fault", "C2=1", "--fault", "B6=0", "--short", "A1:B4"});
        const Result all = cli.Run({"-p", sim.Device(), "test", "readback", "--json"});
        QCOMPARE(all.status, 1);
        QCOMPARE(FaultyPins(all.out), QStringList({"A1 shorted B4", "B4 shorted A1", "B6 stuck at 0", "C2 stuck at 1"}));
        const Result portA = cli.Run({"-p", sim.Device(), "test", "readback", "a", "A"});
        QVERIFY(portA.status == 0 && portA.out.endsWith("\nreadback A: all 8 pins ok\n"));
    }

    void scriptsAreCheckedWholeAndStopAtTheFirstFailure()
    {
        CliTest cli;
        Sim sim({"--loopback", "A:B"});
        const Result passed = cli.Run({"-p", sim.Device(), "run", "-"},
                                      "# drive A, read it on B\nset A.dir=00 A.out=5a\n\nwait 5   # settle\nexpect B=5A B1=1 b0=0\nread B\n");
        QCOMPARE(passed.status, 0);
        QCOMPARE(passed.out, "B=5A\n");

        const Result failed = cli.Run({"-p", sim.Device(), "run"}, "expect B=5A\nexpect A=5A B3=0 B5=1\nread\n");
        QVERIFY(failed.status == 1 && failed.out.isEmpty());
        QCOMPARE(failed.err, "korvane-cli: stdin:2: expect A=5A B3=0 B5=1: expected B3=0, read B3=1; expected B5=1, read B5=0\n");

        // A mistake anywhere stops the script before its first line runs.
        sim.Trace();
        const Result mistaken = cli.Run({"-p", sim.Device(), "run"}, "set A.out=00\nexpect A=0G\n");
        QVERIFY(mistaken.status == 2 && mistaken.err.startsWith("korvane-cli: stdin:2: expect: A=0G is not a reading"));
        QVERIFY(sim.Trace().isEmpty());
        QCOMPARE(cli.Run({"-p", sim.Device(), "run"}, "run -\n").status, 2);
        QCOMPARE(cli.Run({"-p", sim.Device(), "run"}, "read -p X\n").err,
                 "korvane-cli: stdin:1: read: unknown option -p (see korvane-cli read --help)\n");
        QCOMPARE(cli.Run({"-p", sim.Device(), "wait", "1"}).status, 2);
    }
};

QTEST_GUILESS_MAIN(TestKorvaneCli)
#include "test_korvane_cli.moc"
