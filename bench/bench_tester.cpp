// The tester window's costs against the wire, with the window realised
// offscreen and the virtual device on a pseudo-terminal:
//  - one PollInputs against three bare one-byte exchanges;
//  - a pin click until its last command byte has left the program, against
//    three bare 3-byte writes;
//  - the CPU share of one core used by continuous polling.
// usage: bench_tester [ROUNDS] [POLLING_SECONDS]

#include "bare_exchange.h"
#include "res/resource.h"
#include "tester/pin_tester_dlg.h"
#include "tools/sim/virtual_device.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

double ThreadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

void Click(CPinTesterDlg &dlg, int id)
{
    qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id))->click();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = NumberArgument(argc, argv, 1, 2000);
    const int seconds = NumberArgument(argc, argv, 2, 60);

    VirtualDevice device;
    const int fd = StartDeviceAndOpenRaw(device);
    CPinTesterDlg dlg;
    dlg.show();
    dlg.m_strComPort = QString::fromStdString(device.DevicePath());
    dlg.UpdateData(false);
    Click(dlg, IDC_CONNECT);
    if (!dlg.m_serial.IsOpen()) {
        std::fprintf(stderr, "cannot connect to %s\n", device.DevicePath().c_str());
        return 1;
    }
    app.processEvents();

    const auto [floorPollUs, pollUs] = AlternatingMediansUs(
        rounds,
        [fd] {
            for (char request : {'a', 'b', 'c'})
                BareExchange(fd, request);
        },
        [&dlg] { dlg.PollInputs(); }, [] { QApplication::processEvents(); });
    const auto [floorClickUs, clickUs] = AlternatingMediansUs(
        rounds,
        [fd] {
            for (const char *command : {"!A\xff", "!B\xff", "!C\xff"})
                [[maybe_unused]] const ssize_t written = ::write(fd, command, 3);
        },
        [&dlg] { Click(dlg, DirectionButtonId(2, 5)); }, [] { QApplication::processEvents(); });
    ::close(fd);

    Click(dlg, IDC_CONTINUOUS);
    const double cpuBefore = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    app.exec();
    const double cpuShare = (ThreadCpuSeconds() - cpuBefore) / (wall.elapsed() / 1000.0);
    const std::size_t polls = device.Received().size();

    std::printf("rounds %d\n", rounds);
    std::printf("three bare exchanges median %.1f us, PollInputs median %.1f us, ratio %.2f\n", floorPollUs, pollUs,
                pollUs / floorPollUs);
    std::printf("three bare 3-byte writes median %.1f us, pin click median %.1f us, ratio %.2f\n", floorClickUs,
                clickUs, clickUs / floorClickUs);
    std::printf("continuous polling for %d s: %.2f%% of one core (%zu bytes on the wire)\n", seconds,
                cpuShare * 100, polls);
    return 0;
}
