// korvane-cli facing what it did not make: links, FIFOs and full disks where
// its state file is, damaged state files, signals during a test, endless or
// binary scripts and arguments that would steer the terminal. The real
// program against korvane-sim, judged by exit statuses, error lines, the
// wire and the files on disk.

#include "cli_process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// What the device was last told, port by port: "A FF 00 B 00 A5 C FF 00" for
// the directions and output levels of each port.
QString DeviceHolds(const QStringList &trace)
{
    QStringList holds;
    for (const QString port : {"A", "B", "C"}) {
        QString direction = QStringLiteral("--"), output = QStringLiteral("--");
        for (const QString &line : trace) {
            const QStringList words = line.split(u' ');
            if (words.size() == 3 && words[1] == port && words[0] == u"direction")
                direction = words[2];
            if (words.size() == 3 && words[1] == port && words[0] == u"output")
                output = words[2];
        }
        holds << port + u' ' + direction + u' ' + output;
    }
    return holds.join(u' ');
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

// The one state file that `set --reset` makes for the device.
QString MadeStateFile(CliTest &cli, Sim &sim)
{
    if (cli.Run({"-p", sim.Device(), "set", "--reset"}).status != 0)
        return {};
    sim.Trace(6);
    const QStringList files = QDir(cli.StateFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    return files.size() == 1 ? cli.StateFolder() + u'/' + files.front() : QString();
}

// A small file system of its own, unmounted at the end.
class SmallTmpfs
{
public:
    explicit SmallTmpfs(const QString &size)
    {
        m_mounted = QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", m_folder.path()}) == 0;
    }
    ~SmallTmpfs()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_folder.path()});
    }
    bool Mounted() const { return m_mounted; }
    QString Path() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
    bool m_mounted = false;
};

// A file or folder mounted over another path, unmounted at the end.
class BindMount
{
public:
    BindMount(const QString &source, const QString &target) : m_target(target)
    {
        m_mounted = QProcess::execute(QStringLiteral("mount"), {"--bind", source, target}) == 0;
    }
    ~BindMount()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_target});
    }
    bool Mounted() const { return m_mounted; }

private:
    QString m_target;
    bool m_mounted = false;
};

} // namespace

class TestKorvaneCliRobustness : public QObject
{
    Q_OBJECT
private slots:
    void aStateFileThatIsNotARegularFileIsRefusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("link to a file") << "link";
        QTest::newRow("dangling link") << "dangling";
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("folder") << "folder";
    }
    void aStateFileThatIsNotARegularFileIsRefusedBeforeAnythingIsSent()
    {
        QFETCH(QString, kind);
        CliTest cli;
        Sim sim({});
        const QString stateFile = MadeStateFile(cli, sim);
        QVERIFY(!stateFile.isEmpty());
        QTemporaryDir elsewhere;
        const QString victim = elsewhere.filePath("victim");
        QVERIFY(Write(victim, "precious\n"));
        QVERIFY(QFile::remove(stateFile));
        if (kind == u"link")
            QVERIFY(QFile::link(victim, stateFile));
        else if (kind == u"dangling")
            QVERIFY(QFile::link(elsewhere.filePath("nothing"), stateFile));
        else if (kind == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(stateFile).constData(), 0600), 0);
        else
            QVERIFY(QDir().mkdir(stateFile));

        for (const QStringList &command : {QStringList{"set", "A.out=22"}, QStringList{"sync"}, QStringList{"test", "readback"}}) {
            const Result result = cli.Run(QStringList{"-p", sim.Device()} + command, {}, 10000);
            QVERIFY2(result.status == 3 && result.err.count(u'\n') == 1 && result.err.contains("not a regular file"),
                     qPrintable(command.join(u' ') + " -> " + QString::number(result.status) + ": " + result.err));
            QCOMPARE(sim.Trace(), QStringList());
        }
        QCOMPARE(Content(victim), "precious\n");
        QVERIFY(!QFileInfo::exists(elsewhere.filePath("nothing")));
        QVERIFY(QFileInfo(stateFile).isSymLink() == (kind == u"link" || kind == u"dangling"));
    }

    void aFullDiskKeepsTheOldStateAndFails()
    {
        SmallTmpfs disk(QStringLiteral("16k"));
        if (!disk.Mounted())
            QSKIP("cannot mount a tmpfs here (not root?)");
        CliTest cli;
        cli.SetStateHome(disk.Path());
        Sim sim({});
        QCOMPARE(cli.Run({"-p", sim.Device(), "set", "A.dir=00", "A.out=22"}).status, 0);
        const QStringList files = QDir(cli.StateFolder()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString stateFile = cli.StateFolder() + u'/' + files.front();
        const QByteArray before = Content(stateFile);
        QCOMPARE(before, "A.dir=00 B.dir=FF C.dir=FF A.out=22 B.out=00 C.out=00\n");

        // Fill the file system to the brim.
        QFile filler(disk.Path() + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        for (int block = 0; block < 64 && filler.write(QByteArray(1024, 'x')) == 1024; ++block) {
        }
        filler.close();

        sim.Trace();
        const Result full = cli.Run({"-p", sim.Device(), "set", "A.out=33"});
        QVERIFY2(full.status == 4 && full.err.count(u'\n') == 1 && full.err.contains("cannot write"),
                 qPrintable(QString::number(full.status) + ": " + full.err));
        QCOMPARE(Content(stateFile), before);
        QCOMPARE(QDir(cli.StateFolder()).entryList(QDir::Files | QDir::Hidden), files);

        // The next run starts from the state kept, not from the defaults.
        sim.Trace();
        QCOMPARE(cli.Run({"-p", sim.Device(), "sync"}).status, 0);
        QCOMPARE(DeviceHolds(sim.Trace(6)), "A 00 22 B FF 00 C FF 00");
    }

    void aStateFileNotExactlyAsWrittenIsDamaged_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("holds");
        const QString defaults = QStringLiteral("A FF 00 B FF 00 C FF 00");
        QTest::newRow("cut short") << QByteArray("A.dir=00 B.dir=F") << defaults;
        QTest::newRow("one digit") << QByteArray("A.dir=FF B.dir=FF C.dir=FF A.out=5 B.out=00 C.out=00\n") << defaults;
        QTest::newRow("no line end") << QByteArray("A.dir=FF B.dir=FF C.dir=FF A.out=50 B.out=00 C.out=00") << defaults;
        QTest::newRow("settings left out") << QByteArray("A.dir=00 A.out=50\n") << defaults;
        QTest::newRow("empty") << QByteArray() << defaults;
        QTest::newRow("pin settings") << QByteArray("A.dir=FF B.dir=FF C.dir=FF A.out=00 B.out=00 C.out=00 B3=1\n") << defaults;
    }
    void aStateFileNotExactlyAsWrittenIsDamaged()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, holds);
        CliTest cli;
        Sim sim({});
        const QString stateFile = MadeStateFile(cli, sim);
        QVERIFY(!stateFile.isEmpty());
        QVERIFY(Write(stateFile, content));
        const Result result = cli.Run({"-p", sim.Device(), "sync"});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.err, "korvane-cli: " + stateFile + " is damaged; starting from the defaults\n");
        QCOMPARE(DeviceHolds(sim.Trace(6)), holds);

        // What the program writes itself is read back as it was.
        QVERIFY(Write(stateFile, "A.dir=0F B.dir=FF C.dir=7F A.out=50 B.out=00 C.out=80\n"));
        const Result written = cli.Run({"-p", sim.Device(), "sync"});
        QVERIFY2(written.status == 0 && written.err.isEmpty(), qPrintable(written.err));
        QCOMPARE(DeviceHolds(sim.Trace(6)), "A 0F 50 B FF 00 C 7F 80");
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
        // Signals the test runner ignores are not ignored by the program under test.
        test.setChildProcessModifier([] {
            for (int caught : {SIGINT, SIGTERM, SIGHUP})
                std::signal(caught, SIG_DFL);
        });
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
        QCOMPARE(result.status, 128 + signal);
        QCOMPARE(result.out, QString());
        QVERIFY2(result.err.count(u'\n') == 1 && result.err.contains("interrupted"), qPrintable(result.err));
        trace += sim.Trace();
        QVERIFY2(trace.filter("read").size() < 32, "the test ran to its end");
        QCOMPARE(DeviceHolds(trace), "A FF 00 B 00 A5 C FF 00");
        QVERIFY(!trace.contains("output A 11"));
    }

    void aNameTooLongForAFileNameIsShortenedBeforeAnythingIsSent()
    {
        Sim sim({});
        // The device under a long name full of spaces, which percent-encoding
        // triples: its stable name is that path.
        QTemporaryDir folder;
        const QString node = folder.filePath(QStringLiteral("k ").repeated(60) + "device");
        QVERIFY(Write(node, {}));
        QVERIFY(QUrl::toPercentEncoding(node).size() > 255);
        const BindMount mount(sim.Device(), node);
        if (!mount.Mounted())
            QSKIP("cannot bind-mount a device here (not root?)");

        CliTest cli;
        const Result set = cli.Run({"-p", node, "set", "A.dir=00", "A.out=22"});
        QVERIFY2(set.status == 0 && set.err.isEmpty(), qPrintable(set.err));
        const QStringList files = QDir(cli.StateFolder()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(files.size(), 1);
        QVERIFY(files.front().toUtf8().size() <= 255);
        QVERIFY(files.front().startsWith("%2F"));
        sim.Trace();
        QCOMPARE(cli.Run({"-p", node, "set", "B.out=33"}).status, 0);
        QCOMPARE(cli.Run({"-p", node, "sync"}).status, 0);
        QCOMPARE(DeviceHolds(sim.Trace()), "A 00 22 B FF 33 C FF 00");
        QCOMPARE(QDir(cli.StateFolder()).entryList(QDir::Files | QDir::Hidden), files);
    }

    void scriptsAreReadLineByLineWithinBounds_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        const QByteArray longest = '#' + QByteArray(4095, 'x') + '\n';
        QTest::newRow("lines at the bounds") << QStringList{"run"} << QByteArray("read A\n" + QByteArray("#\n").repeated(9998) + longest)
                                             << 0 << "";
        QTest::newRow("/dev/zero") << QStringList{"run", "/dev/zero"} << QByteArray() << 2 << "/dev/zero:1: line longer than 4096 bytes";
        QTest::newRow("NUL") << QStringList{"run", "-"} << QByteArray("read\nre\0ad\n", 11) << 2 << "stdin:2: NUL byte";
        QTest::newRow("long line") << QStringList{"run"} << QByteArray("read\n\n" + longest.chopped(1) + "x\nread\n") << 2
                                   << "stdin:3: line longer than 4096 bytes";
        QTest::newRow("endless") << QStringList{"run", "-"} << QByteArray("read\n").repeated(10001) << 2 << "stdin: more than 10000 lines";
    }
    void scriptsAreReadLineByLineWithinBounds()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, script);
        QFETCH(int, status);
        QFETCH(QString, error);
        CliTest cli;
        Sim sim({});
        QProcess run;
        // A program that reads without bound fails here rather than taking the machine's memory.
        run.setChildProcessModifier([] {
            const rlimit memory{1ul << 30, 1ul << 30};
            ::setrlimit(RLIMIT_AS, &memory);
        });
        cli.Start(run, QStringList{"-p", sim.Device()} + args);
        run.write(script);
        run.closeWriteChannel();
        const Result result = CliTest::Finish(run);
        QCOMPARE(result.status, status);
        QCOMPARE(result.out, status ? QString() : QStringLiteral("A=FF\n"));
        if (status) {
            QVERIFY2(result.err.count(u'\n') == 1 && result.err.contains(error), qPrintable(result.err));
            QCOMPARE(sim.Trace(), QStringList());
        }
    }

    void echoedTextIsEscapedAndShortened_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("error");
        QTest::newRow("terminal title") << QStringList{"run"} << QByteArray("read\n\x1b]0;owned\x07 A\n")
                                        << "stdin:2: unknown command \\x1B]0;owned\\x07";
        QTest::newRow("tab and line end") << QStringList{"set", "A0=1\tB1=\n1"} << QByteArray()
                                          << "set: A0=1\\tB1=\\n1 is not a setting";
        QTest::newRow("C1 control") << QStringList{"read", "\xc2\x9b" "31m"} << QByteArray() << "read: \\x9B31m is not a port";
        QTest::newRow("long argument") << QStringList{"set", "A.out=" + QString(100000, u'5')} << QByteArray()
                                       << "set: A.out=" + QString(54, u'5') + "... is not a setting";
        QTest::newRow("long option") << QStringList{"read", "--" + QString(100000, u'x')} << QByteArray()
                                     << "unknown option --" + QString(58, u'x') + "...";
    }
    void echoedTextIsEscapedAndShortened()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, script);
        QFETCH(QString, error);
        CliTest cli;
        Sim sim({});
        const Result result = cli.Run(QStringList{"-p", sim.Device()} + args, script);
        QCOMPARE(result.status, 2);
        QVERIFY2(result.err.contains(error), qPrintable(result.err));
        QVERIFY2(result.err.size() < 200, qPrintable(QString::number(result.err.size()) + " characters"));
        for (const QChar c : result.err.chopped(1))
            QVERIFY2(c.category() != QChar::Other_Control, qPrintable("control character " + QString::number(c.unicode(), 16)));
    }

    void watchRefusesNumbersOutOfRange_data()
    {
        QTest::addColumn<QStringList>("options");
        for (const char *option : {"--interval", "--count", "--duration"}) {
            for (const char *number : {"1e300", "-1e300", "nan", "inf"})
                QTest::addRow("%s %s", option, number) << QStringList{option, number};
        }
    }
    void watchRefusesNumbersOutOfRange()
    {
        QFETCH(QStringList, options);
        CliTest cli;
        Sim sim({});
        const Result result = cli.Run(QStringList{"-p", sim.Device(), "watch"} + options);
        QCOMPARE(result.status, 2);
        QVERIFY2(result.err.contains("take positive numbers") && result.err.count(u'\n') == 1, qPrintable(result.err));
    }
};

QTEST_GUILESS_MAIN(TestKorvaneCliRobustness)
#include "test_korvane_cli_robustness.moc"
