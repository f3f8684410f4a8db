// korvane-cli against korvane-sim facing what it did not make: links, FIFOs, damaged files and full disks
// where its state is, signals during a test, endless or binary scripts and arguments that would steer the
// terminal; judged by exit statuses, error lines, the wire and the files on disk.

#include "cli_process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>
#include <QUrl>
#include <sys/stat.h>

namespace {

// What the device was last told, port by port: "A FF 00 B 00 A5 C FF 00" for
// the direction and output level of each port, "--" where it was told none.
QString DeviceHolds(const QStringList &trace)
{
    QHash<QString, QString> last;  // "direction A" -> "FF"
    for (const QString &line : trace)
        last.insert(line.section(u' ', 0, 1), line.section(u' ', 2));
    QStringList holds;
    for (const QString port : {"A", "B", "C"})
        holds << port << last.value("direction " + port, "--") << last.value("output " + port, "--");
    return holds.join(u' ');
}

// A run that ended with the status and one error line saying the words, or none without words.
bool EndedWith(const Result &result, int status, const QString &words = {})
{
    const bool said = words.isEmpty() ? result.err.isEmpty() : result.err.count(u'\n') == 1 && result.err.contains(words);
    if (result.status == status && said)
        return true;
    qWarning("expected status %d and \"%s\", got %d: %s", status, qPrintable(words), result.status, qPrintable(result.err));
    return false;
}

QByteArray Content(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool Write(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QStringList StateFiles(const CliTest &cli)
{
    return QDir(cli.StateFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// The one state file that `set --reset` makes for the device.
QString MadeStateFile(CliTest &cli, Sim &sim)
{
    if (cli.Run({"-p", sim.Device(), "set", "--reset"}).status != 0)
        return {};
    sim.Trace(6);
    const QStringList files = StateFiles(cli);
    return files.size() == 1 ? cli.StateFolder() + u'/' + files.front() : QString();
}

const QString kDefaults = QStringLiteral("A FF 00 B FF 00 C FF 00");
const QByteArray kAsWritten = "A.dir=0F B.dir=FF C.dir=7F A.out=50 B.out=00 C.out=80\n";

} // namespace

class TestKorvaneCliRobustness : public QObject
{
    Q_OBJECT
private slots:
    // Only a regular file exactly as the program writes it is read. Any other
    // file is named damaged and the defaults are sent; a link, FIFO or folder
    // in its place is refused before anything is sent, and never followed.
    void aStateFileNotExactlyAsWrittenIsNotTrusted_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("holds");  // what the device is sent; empty for a refusal
        for (const char *kind : {"link", "dangling link", "FIFO", "folder"}) {
            for (const QStringList &command : {QStringList{"set", "A.out=22"}, QStringList{"sync"}, QStringList{"test", "readback"}})
                QTest::addRow("%s, %s", kind, qPrintable(command.front())) << kind << QByteArray() << command << QString();
        }
        const QStringList sync{"sync"};
        QTest::newRow("cut short") << "file" << QByteArray("A.dir=00 B.dir=F") << sync << kDefaults;
        QTest::newRow("one digit") << "file" << QByteArray("A.dir=FF B.dir=FF C.dir=FF A.out=5 B.out=00 C.out=00\n") << sync << kDefaults;
        QTest::newRow("no line end") << "file" << QByteArray("A.dir=FF B.dir=FF C.dir=FF A.out=50 B.out=00 C.out=00") << sync << kDefaults;
        QTest::newRow("settings left out") << "file" << QByteArray("A.dir=00 A.out=50\n") << sync << kDefaults;
        QTest::newRow("empty") << "file" << QByteArray() << sync << kDefaults;
        QTest::newRow("pin settings") << "file" << QByteArray("A.dir=FF B.dir=FF C.dir=FF A.out=00 B.out=00 C.out=00 B3=1\n") << sync << kDefaults;
        QTest::newRow("not text, then set") << "file" << QByteArray("A.dir=0F B.dir=\xff\n") << QStringList{"set", "A0=in"}
                                            << "A FF -- B FF -- C FF --";
        QTest::newRow("as written") << "file" << kAsWritten << sync << "A 0F 50 B FF 00 C 7F 80";
    }
    void aStateFileNotExactlyAsWrittenIsNotTrusted()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, command);
        QFETCH(QString, holds);
        CliTest cli;
        Sim sim({});
        const QString stateFile = MadeStateFile(cli, sim);
        QVERIFY(!stateFile.isEmpty());
        QTemporaryDir elsewhere;
        const QString victim = elsewhere.filePath("victim");
        QVERIFY(Write(victim, "precious\n"));
        QVERIFY(kind == u"file" ? Write(stateFile, content) : QFile::remove(stateFile));
        if (kind == u"link")
            QVERIFY(QFile::link(victim, stateFile));
        else if (kind == u"dangling link")
            QVERIFY(QFile::link(elsewhere.filePath("nothing"), stateFile));
        else if (kind == u"FIFO")
            QCOMPARE(::mkfifo(QFile::encodeName(stateFile).constData(), 0600), 0);
        else if (kind == u"folder")
            QVERIFY(QDir().mkdir(stateFile));

        const Result result = cli.Run(QStringList{"-p", sim.Device()} + command, {}, 10000);
        if (holds.isEmpty()) {
            QVERIFY(EndedWith(result, 3, "not a regular file"));
            QCOMPARE(sim.Trace(), QStringList());
        } else {
            QVERIFY(EndedWith(result, 0, content == kAsWritten ? QString() : stateFile + " is damaged; starting from the defaults"));
            QCOMPARE(DeviceHolds(sim.Trace(6)), holds);
        }
        QCOMPARE(Content(victim), "precious\n");
        QVERIFY(!QFileInfo::exists(elsewhere.filePath("nothing")));
        QCOMPARE(QFileInfo(stateFile).isSymLink(), kind.endsWith(u"link"));
    }

    // A device whose name would make too long a file name has its state
    // under a shortened name, and a full disk keeps the state kept before.
    void aStateFileUnderAShortenedNameKeepsItsStateOnAFullDisk()
    {
        Sim sim({});
        CliTest cli;
        // A long name full of spaces, which percent-encoding triples.
        QTemporaryDir folder;
        const QString node = folder.filePath(QStringLiteral("k ").repeated(60) + "device");
        QVERIFY(Write(node, {}) && QUrl::toPercentEncoding(node).size() > 255);
        if (QProcess::execute("mount", {"--bind", sim.Device(), node}) != 0)
            QSKIP("cannot mount here (not root?)");
        const auto unmountNode = qScopeGuard([&] { QProcess::execute("umount", {node}); });
        QCOMPARE(QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", cli.StateHome()}), 0);
        const auto unmountDisk = qScopeGuard([&] { QProcess::execute("umount", {cli.StateHome()}); });

        QVERIFY(EndedWith(cli.Run({"-p", node, "set", "A.dir=00", "A.out=22"}), 0));
        const QStringList files = StateFiles(cli);
        QVERIFY(files.size() == 1 && files.front().toUtf8().size() <= 255 && files.front().startsWith("%2F"));
        const QString stateFile = cli.StateFolder() + u'/' + files.front();
        const QByteArray before = Content(stateFile);
        QCOMPARE(before, "A.dir=00 B.dir=FF C.dir=FF A.out=22 B.out=00 C.out=00\n");

        QVERIFY(!Write(cli.StateHome() + "/filler", QByteArray(64 * 1024, 'x')));  // the disk is full
        QVERIFY(EndedWith(cli.Run({"-p", node, "set", "A.out=33"}), 4, "cannot write"));
        QCOMPARE(Content(stateFile), before);
        QCOMPARE(StateFiles(cli), files);
        // The next run starts from the state kept, not from the defaults.
        sim.Trace();
        QVERIFY(EndedWith(cli.Run({"-p", node, "sync"}), 0));
        QCOMPARE(DeviceHolds(sim.Trace(6)), "A 00 22 B FF 00 C FF 00");
    }

    void anInterruptedTestSendsTheRememberedStateAndEndsWithTheSignal_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("signal");
        QTest::newRow("loopback, Ctrl-C") << QStringList{"test", "loopback", "A:B"} << SIGINT;
        QTest::newRow("readback, SIGTERM") << QStringList{"test", "readback"} << SIGTERM;
        QTest::newRow("readback, SIGHUP") << QStringList{"test", "readback", "--json"} << SIGHUP;
        QTest::newRow("script") << QStringList{"run", "-"} << SIGTERM;
    }
    void anInterruptedTestSendsTheRememberedStateAndEndsWithTheSignal()
    {
        QFETCH(QStringList, args);
        QFETCH(int, signal);
        CliTest cli;
        Sim sim({"--loopback", "A:B", "--delay", "20"});
        QCOMPARE(cli.Run({"-p", sim.Device(), "set", "B.dir=00", "B.out=A5"}).status, 0);
        sim.Trace(6);

        QProcess test;
        cli.Start(test, QStringList{"-p", sim.Device()} + args);
        test.write("test readback A B\nset A.out=11\n");
        test.waitForBytesWritten(5000);
        test.closeWriteChannel();
        // The signal comes while the process is held mid-test, so that it is
        // mid-test whatever the load on the machine.
        QStringList trace = sim.Trace(1);
        QVERIFY(!trace.isEmpty());
        const pid_t pid = static_cast<pid_t>(test.processId());
        QCOMPARE(::kill(pid, SIGSTOP), 0);
        QCOMPARE(::kill(pid, signal), 0);
        QCOMPARE(::kill(pid, SIGCONT), 0);
        const Result result = CliTest::Finish(test, 20000);
        QVERIFY(EndedWith(result, 128 + signal, "interrupted") && result.out.isEmpty());
        trace += sim.Trace();
        QVERIFY2(trace.filter("read").size() < 32, "the test ran to its end");
        QCOMPARE(DeviceHolds(trace), "A FF 00 B 00 A5 C FF 00");
        QVERIFY(!trace.contains("output A 11"));
    }

    // A script within the bounds of lines and bytes runs. One past them, and
    // an argument or script line that is not understood, end with one short
    // error line before anything is sent; what it echoes is escaped and cut.
    void badInputEndsWithOneShortLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("error");
        const QByteArray longest = '#' + QByteArray(4095, 'x');
        const std::tuple<const char *, QStringList, QByteArray, QString> rows[] = {
            {"at the bounds", {"run"}, "read A\n" + QByteArray("#\n").repeated(9998) + longest + '\n', QString()},
            {"/dev/zero", {"run", "/dev/zero"}, {}, "/dev/zero:1: line longer than 4096 bytes"},
            {"NUL", {"run", "-"}, QByteArray("read\nre\0ad\n", 11), "stdin:2: NUL byte"},
            {"long line", {"run"}, "read\n\n" + longest + "x\nread\n", "stdin:3: line longer than 4096 bytes"},
            {"endless", {"run", "-"}, QByteArray("read\n").repeated(10001), "stdin: more than 10000 lines"},
            {"terminal title", {"run"}, "read\n\x1b]0;owned\x07 A\n", "stdin:2: unknown command \\x1B]0;owned\\x07"},
            {"tab and line end", {"set", "A0=1\tB1=\n1"}, {}, "set: A0=1\\tB1=\\n1 is not a setting"},
            {"C1 control", {"read", "\xc2\x9b" "31m"}, {}, "read: \\x9B31m is not a port"},
            {"long argument", {"set", "A.out=" + QString(100000, u'5')}, {}, "set: A.out=" + QString(54, u'5') + "... is not a setting"},
            {"long option", {"read", "--" + QString(100000, u'x')}, {}, "unknown option --" + QString(58, u'x') + "..."},
        };
        for (const auto &[name, args, script, error] : rows)
            QTest::newRow(name) << args << script << error;
        for (const char *option : {"--interval", "--count", "--duration"})
            for (const char *number : {"1e300", "-1e300", "nan", "inf"})
                QTest::addRow("watch %s %s", option, number) << QStringList{"watch", option, number} << QByteArray() << "take positive numbers";
    }
    void badInputEndsWithOneShortLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, script);
        QFETCH(QString, error);
        CliTest cli;
        Sim sim({});
        const Result result = cli.Run(QStringList{"-p", sim.Device()} + args, script);
        QVERIFY(EndedWith(result, error.isEmpty() ? 0 : 2, error));
        QCOMPARE(result.out, error.isEmpty() ? "A=FF\n" : QString());
        QVERIFY2(result.err.size() < 200, qPrintable(QString::number(result.err.size()) + " characters"));
        for (const QChar c : result.err.chopped(1))
            QVERIFY2(c.category() != QChar::Other_Control, qPrintable("control character " + QString::number(c.unicode(), 16)));
        QCOMPARE(sim.Trace(), error.isEmpty() ? QStringList{"read A FF"} : QStringList());
    }
};

QTEST_GUILESS_MAIN(TestKorvaneCliRobustness)
#include "test_korvane_cli_robustness.moc"
