// The tester window's costs against the wire, each action timed together with
// the paint it causes. The window is a real one on the xcb platform when a
// display is available (bench/drawing runs this under Xvfb), and offscreen
// otherwise, which the output says.
//  - PollInputs with its paint, with inputs that change the display at every
//    poll, against three bare one-byte exchanges;
//  - a direction button click with its paint against its fair floor: three
//    bare 3-byte writes and one plain button given a new caption and repainted;
//  - the CPU of all the process's threads during continuous polling of
//    korvane-sim --walk 50, against a bare loop doing the same exchanges with
//    another such device at the same time.
// Timings are medians of rounds alternating with their floor.
// usage: bench_tester [ROUNDS] [POLLING_SECONDS]

#include "bare_exchange.h"
#include "res/resource.h"
#include "tester/pin_tester_dlg.h"
#include "tools/sim/virtual_device.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

void Click(CPinTesterDlg &dlg, int id)
{
    qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id))->click();
}

// Lets the window paint what the last action changed.
void Paint()
{
    QApplication::processEvents();
}

void Connect(CPinTesterDlg &dlg, const QString &device)
{
    dlg.m_strComPort = device;
    dlg.UpdateData(false);
    Click(dlg, IDC_CONNECT);
    if (!dlg.m_serial.IsOpen()) {
        std::fprintf(stderr, "cannot connect to %s\n", qPrintable(device));
        std::exit(1);
    }
    Paint();
}

void Report(const char *what, const char *floor, std::pair<double, double> medians)
{
    std::printf("%-27s %7.1f us  floor (%s) %7.1f us  ratio %.2f\n", what, medians.second, floor, medians.first,
                medians.second / medians.first);
}

// Times PollInputs with its paint, the device's inputs walking so that every
// poll changes what the window shows.
void BenchPoll(int rounds, CPinTesterDlg &dlg, VirtualDevice &device, int fd)
{
    unsigned step = 0;
    auto walkInputs = [&device, &step] {
        ++step;
        const auto walkingOne = static_cast<std::uint8_t>(1u << (step % 8));
        device.SetInputs(0, walkingOne);
        device.SetInputs(1, static_cast<std::uint8_t>(step));
        device.SetInputs(2, static_cast<std::uint8_t>(~walkingOne));
    };
    const auto medians = AlternatingMediansUs(
        rounds,
        [fd] {
            for (char request : {'a', 'b', 'c'})
                BareExchange(fd, request);
        },
        [&dlg] {
            dlg.PollInputs();
            Paint();
        },
        walkInputs);
    Report("poll with paint, walking", "3 exchanges", medians);
}

void BenchClick(int rounds, CPinTesterDlg &dlg, int fd)
{
    const int id = DirectionButtonId(2, 5);
    QWidget window;
    window.setFont(dlg.font());
    QPushButton plain(QStringLiteral("I"), &window);
    plain.resize(dlg.GetDlgItem(id)->size());
    window.resize(plain.size());
    window.move(0, 0);
    window.show();
    Paint();
    const auto medians = AlternatingMediansUs(
        rounds,
        [fd, &plain] {
            for (const char *command : {"!A\xff", "!B\xff", "!C\xff"})
                [[maybe_unused]] const ssize_t written = ::write(fd, command, 3);
            plain.setText(plain.text() == QStringLiteral("I") ? QStringLiteral("O") : QStringLiteral("I"));
            plain.repaint();
        },
        [&dlg, id] {
            Click(dlg, id);
            Paint();
        });
    Report("direction click with paint", "3 writes+1 paint", medians);
}

// korvane-sim --walk 50 as a process of its own; its device, or empty.
QString StartWalkingDevice(QProcess &sim)
{
    sim.start(QStringLiteral(KORVANE_SIM_PATH), {QStringLiteral("--walk"), QStringLiteral("50")});
    if (!sim.waitForReadyRead(5000))
        return {};
    const QByteArray line = sim.readLine().trimmed();
    return QString::fromLatin1(line.mid(line.lastIndexOf(' ') + 1));
}

void BenchContinuousPolling(int seconds, CPinTesterDlg &dlg)
{
    QProcess testerSim, floorSim, floorLoop;
    const QString testerDevice = StartWalkingDevice(testerSim);
    const QString floorDevice = StartWalkingDevice(floorSim);
    if (testerDevice.isEmpty() || floorDevice.isEmpty()) {
        std::fprintf(stderr, "cannot start %s\n", KORVANE_SIM_PATH);
        std::exit(1);
    }
    Connect(dlg, testerDevice);

    floorLoop.start(QStringLiteral(BARE_POLL_LOOP_PATH), {floorDevice, QString::number(seconds)});
    Click(dlg, IDC_CONTINUOUS);
    const double cpuBefore = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, qApp, &QApplication::quit);
    QApplication::exec();
    const double testerShare = (ProcessCpuSeconds() - cpuBefore) / (wall.elapsed() / 1000.0);
    Click(dlg, IDC_CONTINUOUS);
    floorLoop.waitForFinished(10000);
    const double floorShare = floorLoop.readAllStandardOutput().trimmed().toDouble() / seconds;
    for (QProcess *sim : {&testerSim, &floorSim}) {
        sim->terminate();
        sim->waitForFinished(5000);
    }
    std::printf("continuous polling, walking inputs, %d s: tester %.3f%% of a core, bare loop %.3f%%, ratio %.1f\n",
                seconds, testerShare * 100, floorShare * 100, testerShare / floorShare);
}

} // namespace

int main(int argc, char **argv)
{
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY");
    qputenv("QT_QPA_PLATFORM", display ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    const int rounds = NumberArgument(argc, argv, 1, 2000);
    const int seconds = NumberArgument(argc, argv, 2, 60);
    std::printf("platform %s%s, rounds %d\n", qPrintable(QApplication::platformName()),
                display ? "" : " (no display: nothing reaches a screen)", rounds);

    CPinTesterDlg dlg;
    dlg.show();
    {
        VirtualDevice device;
        const int fd = StartDeviceAndOpenRaw(device);
        Connect(dlg, QString::fromStdString(device.DevicePath()));
        // The display is still busy with the new window for a while; timing
        // starts when it has settled.
        QElapsedTimer settling;
        settling.start();
        while (settling.elapsed() < 3000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        BenchPoll(rounds, dlg, device, fd);
        BenchClick(rounds, dlg, fd);
        ::close(fd);
        // The window leaves this device before it goes.
        BenchContinuousPolling(seconds, dlg);
    }
    return 0;
}
