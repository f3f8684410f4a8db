#include "sim_process.h"
#include "tester_fixture.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kConnected = QStringLiteral("Connection successful.");
const QString kDisconnected = QStringLiteral("Device disconnected.");

// The far end of a null-modem pair, served by the device model on a thread
// of its own until the line hangs up.
class FarEnd
{
public:
    explicit FarEnd(const QString &path) : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY))
    {
        m_thread = std::thread([this] {
            DeviceModel model;
            pollfd line{m_fd, POLLIN, 0};
            while (!m_stop && ::poll(&line, 1, 10) >= 0 && !(line.revents & POLLHUP)) {
                std::uint8_t byte = 0;
                if (!(line.revents & POLLIN) || ::read(m_fd, &byte, 1) != 1)
                    continue;
                ++m_received;
                if (const std::optional<std::uint8_t> answer = model.Feed(byte))
                    [[maybe_unused]] const ssize_t written = ::write(m_fd, &*answer, 1);
            }
        });
    }
    ~FarEnd()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    int Received() const { return m_received; }

private:
    int m_fd;
    std::thread m_thread;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_received = 0;
};

// Milliseconds until the status line shows `status`, or -1 after the time-out.
qint64 MsUntilStatus(TesterFixture &t, const QString &status, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (t.Text(IDC_STATUS) != status) {
        if (clock.elapsed() > timeoutMs)
            return -1;
        QTest::qWait(1);
    }
    return clock.elapsed();
}

bool WaitForLink(const QString &link)
{
    return QTest::qWaitFor([&] { return QFileInfo(link).exists(); }, 5000);
}

} // namespace

class TestReconnect : public QObject
{
    Q_OBJECT
private slots:
    // The device is killed and comes back under the same link, with polling on.
    void simKilledAndStartedAgain()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("korvane");
        QProcess sim;
        QVERIFY(!StartSim(sim, {"--link", link}).isEmpty());
        TesterFixture t;
        t.Connect(link);
        t.Click(DirectionButtonId(1, 1));
        t.Click(StateButtonId(1, 1));
        t.Click(IDC_CONTINUOUS);
        QTest::qWait(150);

        sim.kill();
        const qint64 lossMs = MsUntilStatus(t, kDisconnected, 1000);
        QVERIFY2(lossMs >= 0 && lossMs <= 200, qPrintable(QString::number(lossMs)));
        QVERIFY(!t.Dlg().m_serial.IsOpen());
        QVERIFY(qobject_cast<QCheckBox *>(t.Dlg().GetDlgItem(IDC_CONTINUOUS))->isChecked());
        QCOMPARE(t.Text(DirectionButtonId(1, 1)) + t.Text(StateButtonId(1, 1)) + t.Text(IDC_DIRHEX_B), "O1FD");
        QTest::qWait(300); // polling on, nothing to send to

        QProcess again;
        QVERIFY(!StartSim(again, {"--trace", "--link", link}).isEmpty());
        const qint64 returnMs = MsUntilStatus(t, kConnected, 2000);
        QVERIFY2(returnMs >= 0 && returnMs <= 1000, qPrintable(QString::number(returnMs)));
        QTest::qWait(250);
        again.terminate();
        QVERIFY(again.waitForFinished(5000));
        // The window's state first, directions then outputs, then the polls go on.
        const QStringList trace = QString::fromLocal8Bit(again.readAllStandardError()).split('\n');
        QCOMPARE(trace.mid(0, 7), QStringList({"korvane-sim: direction A FF", "korvane-sim: direction B FD",
                                               "korvane-sim: direction C FF", "korvane-sim: output A 00",
                                               "korvane-sim: output B 02", "korvane-sim: output C 00",
                                               "korvane-sim: read A FF"}));
    }

    // Both ends of a null-modem pair go when socat ends, and come back with it.
    void socatPairEndedAndStartedAgain()
    {
        QTemporaryDir dir;
        const QString near = dir.filePath("tester"), far = dir.filePath("device");
        const QStringList pair = {"PTY,link=" + near + ",raw,echo=0", "PTY,link=" + far + ",raw,echo=0"};
        QProcess socat;
        socat.start("socat", pair);
        QVERIFY(WaitForLink(near) && WaitForLink(far));
        TesterFixture t;
        {
            FarEnd device(far);
            t.Connect(near);
            t.Click(IDC_POLL_ONCE);
            QCOMPARE(t.Text(IDC_STATUS), kConnected);
            socat.terminate();
            QVERIFY(socat.waitForFinished(5000));
            QVERIFY(MsUntilStatus(t, kDisconnected, 1000) >= 0);
        }
        socat.start("socat", pair);
        QVERIFY(WaitForLink(near) && WaitForLink(far));
        FarEnd device(far);
        QVERIFY(MsUntilStatus(t, kConnected, 2000) >= 0);
        QVERIFY(QTest::qWaitFor([&] { return device.Received() == 15; }, 1000));
        socat.terminate();
        socat.waitForFinished(5000);
    }

    // A device found again by its USB serial number under another name; a
    // connect by hand meanwhile ends the search.
    void foundBySerialNumberUnlessConnectedByHand()
    {
        TesterFixture t;
        auto ports = std::make_shared<ListedPorts>();
        t.Dlg().SetPortSource(ports);
        QTemporaryDir dir;
        const QString link = dir.filePath("adapter");
        for (const bool byHand : {false, true}) {
            auto first = std::make_unique<VirtualDevice>();
            std::string error;
            QVERIFY(first->Open(error));
            first->Start();
            QFile::link(QString::fromStdString(first->DevicePath()), link);
            ports->ports = {{"adapter", QString::fromStdString(first->DevicePath()), {}, {}, {}, "K42", {}}};
            t.Connect(link);
            QCOMPARE(t.Text(IDC_STATUS), kConnected);
            first.reset();
            QFile::remove(link);
            QVERIFY(MsUntilStatus(t, kDisconnected, 1000) >= 0);
            if (byHand)
                t.Connect(t.DevicePath());

            VirtualDevice second;
            QVERIFY(second.Open(error));
            second.Start();
            ports->ports = {{"adapter", QString::fromStdString(second.DevicePath()), {}, {}, {}, "K42", {}}};
            QTest::qWait(600);
            QCOMPARE(second.Received().size(), byHand ? 0u : 15u);
            QCOMPARE(t.Text(IDC_STATUS), kConnected);
        }
    }
};

QTEST_MAIN(TestReconnect)
#include "test_reconnect.moc"
