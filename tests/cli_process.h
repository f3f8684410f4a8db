#pragma once

// korvane-cli and korvane-sim as processes, for the tests of korvane-cli.

#include "sim_process.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>
#include <utility>

struct Result
{
    int status = -1;  // -1 when the program crashed or did not end
    QString out, err;
};

// A virtual device with the options given, tracing what it decodes.
class Sim
{
public:
    explicit Sim(const QStringList &options) : m_device(StartSim(m_process, QStringList{"--trace"} + options))
    {
        m_process.setReadChannel(QProcess::StandardError);
    }
    ~Sim()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    const QString &Device() const { return m_device; }

    // The commands decoded since the last call: once `count` have come, or
    // with no count, once the device has been quiet for a moment.
    QStringList Trace(int count = 0)
    {
        const QDeadlineTimer deadline(3000);
        while ((count == 0 || m_trace.size() < count) && !deadline.hasExpired()) {
            const bool more = m_process.waitForReadyRead(count == 0 ? 300 : 50);
            for (const QString &line : QString::fromLocal8Bit(m_process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts))
                m_trace << line.section(QStringLiteral("korvane-sim: "), 1);
            if (!more && count == 0)
                break;
        }
        return std::exchange(m_trace, {});
    }

private:
    QProcess m_process;
    const QString m_device;
    QStringList m_trace;
};

// Each test case remembers device states in a folder of its own.
class CliTest
{
public:
    // korvane-cli remembering under the state home, with the signals the test runner ignores, and failing at
    // 1 GB should it read without bound rather than taking the machine's memory.
    void Start(QProcess &cli, const QStringList &args) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_STATE_HOME"), m_folder.path());
        cli.setProcessEnvironment(environment);
        cli.setChildProcessModifier([] {
            for (int caught : {SIGINT, SIGTERM, SIGHUP})
                std::signal(caught, SIG_DFL);
            const rlimit memory{1ul << 30, 1ul << 30};
            ::setrlimit(RLIMIT_AS, &memory);
        });
        cli.start(QStringLiteral(KORVANE_CLI_PATH), args);
    }
    // The result of a run; one still going after the time is killed and fails.
    static Result Finish(QProcess &cli, int timeoutMs = 30000)
    {
        if (!cli.waitForFinished(timeoutMs)) {
            cli.kill();
            cli.waitForFinished(5000);
            return {-1, QString(), QStringLiteral("did not end")};
        }
        return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
                QString::fromUtf8(cli.readAllStandardOutput()), QString::fromUtf8(cli.readAllStandardError())};
    }
    Result Run(const QStringList &args, const QByteArray &input = {}, int timeoutMs = 30000) const
    {
        QProcess cli;
        Start(cli, args);
        cli.write(input);
        cli.closeWriteChannel();
        return Finish(cli, timeoutMs);
    }
    QString StateHome() const { return m_folder.path(); }
    QString StateFolder() const { return m_folder.path() + QStringLiteral("/korvane-cli"); }

private:
    QTemporaryDir m_folder;
};
