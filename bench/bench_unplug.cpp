// Unplug and replug: the virtual device on a link goes away (its terminal
// closes and the link is removed) and comes back under the same link, with
// continuous polling on. Measures, per cycle, the time from the loss to
// "Device disconnected." and from the return to the first byte the tester
// sends again; counts the cycles that reconnected and polled again; and
// gives the process's open descriptors and resident memory before and after.
// usage: bench_unplug [CYCLES]

#include "bare_exchange.h"
#include "res/resource.h"
#include "tester/pin_tester_dlg.h"
#include "dialog_layer/control_text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Click(CPinTesterDlg &dlg, int id)
{
    qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id))->click();
}

// Runs the window's events until `done` holds or `timeoutMs` has passed.
template <typename Condition>
bool RunUntil(Condition done, int timeoutMs)
{
    const Clock::time_point start = Clock::now();
    while (!done()) {
        if (MsSince(start) > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

std::unique_ptr<VirtualDevice> PlugIn(const std::string &link)
{
    SimOptions options;
    options.link = link;
    auto device = std::make_unique<VirtualDevice>(options);
    std::string error;
    if (!device->Open(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    device->Start();
    return device;
}

long OpenDescriptors()
{
    return static_cast<long>(QDir(QStringLiteral("/proc/self/fd")).count()) - 2;
}

QString ResidentMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return QString::fromLatin1(line.mid(6).simplified());
    return {};
}

struct Spread
{
    std::vector<double> values;
    void Print(const char *what) const
    {
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        if (sorted.empty())
            return;
        std::printf("%s: min %.1f ms, median %.1f ms, max %.1f ms\n", what, sorted.front(), sorted[sorted.size() / 2],
                    sorted.back());
    }
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = NumberArgument(argc, argv, 1, 100);
    QTemporaryDir dir;
    const std::string link = QFile::encodeName(dir.filePath(QStringLiteral("korvane"))).toStdString();

    std::unique_ptr<VirtualDevice> device = PlugIn(link);
    CPinTesterDlg dlg;
    dlg.show();
    dlg.m_strComPort = QString::fromStdString(link);
    dlg.UpdateData(false);
    Click(dlg, IDC_CONNECT);
    Click(dlg, IDC_CONTINUOUS);
    auto status = [&dlg] { return ControlText(dlg.GetDlgItem(IDC_STATUS)); };
    auto polled = [&device] { return device->Received().size() > 15; };
    if (!RunUntil(polled, 2000)) {
        std::fprintf(stderr, "the tester does not poll the device on %s\n", link.c_str());
        return 1;
    }
    const long descriptorsBefore = OpenDescriptors();
    const QString memoryBefore = ResidentMemory();

    Spread loss, comeback;
    int reconnected = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        Clock::time_point start = Clock::now();
        device.reset();
        if (!RunUntil([&] { return status() == QStringLiteral("Device disconnected."); }, 2000))
            continue;
        loss.values.push_back(MsSince(start));

        // Plugged in again from another thread after a pause that varies, so
        // the return meets every phase of the search.
        Clock::time_point pluggedAt;
        std::thread plug([&, cycle] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100 + cycle * 37 % 300));
            device = PlugIn(link);
            pluggedAt = Clock::now();
        });
        const bool back = RunUntil([&] { return status() == QStringLiteral("Connection successful."); }, 3000);
        plug.join();
        if (!back)
            continue;
        start = pluggedAt;
        while (device->Received().empty() && MsSince(start) < 1000)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        comeback.values.push_back(MsSince(start));
        if (RunUntil(polled, 1000))
            ++reconnected;
    }

    std::printf("cycles %d, reconnected and polling again %d\n", cycles, reconnected);
    loss.Print("loss to \"Device disconnected.\"");
    comeback.Print("return to first resent byte");
    std::printf("open descriptors before %ld, after %ld\n", descriptorsBefore, OpenDescriptors());
    std::printf("resident memory before %s, after %s\n", qPrintable(memoryBefore), qPrintable(ResidentMemory()));
    return 0;
}
