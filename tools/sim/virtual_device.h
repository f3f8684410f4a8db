#pragma once

#include "tools/sim/device_model.h"
#include "tools/sim/sim_options.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <termios.h>
#include <thread>
#include <vector>

// The virtual device on a pseudo-terminal. The program under test opens
// DevicePath() like any serial port; the device keeps its own end of that
// terminal open, so the port can be opened and closed any number of times.
class VirtualDevice
{
public:
    explicit VirtualDevice(SimOptions options = {});
    ~VirtualDevice();
    VirtualDevice(const VirtualDevice &) = delete;
    VirtualDevice &operator=(const VirtualDevice &) = delete;

    // Creates the terminal (and the link, if asked for); false with a reason
    // when that fails.
    bool Open(std::string &error);
    const std::string &DevicePath() const { return m_devicePath; }

    // Serves the terminal until Stop(). Start() does so on a thread of its own.
    void Run();
    void Start();
    // Safe to call from a signal handler.
    void Stop();
    // Makes SIGINT, SIGTERM and SIGHUP stop the device that runs in Run(),
    // and a reader gone from standard output harmless.
    void StopOnSignals();

    // Everything received so far, in order.
    std::vector<std::uint8_t> Received() const;
    // Whether every byte written to the device so far has been received.
    bool AllInputTaken() const;
    void ClearReceived();
    DeviceModel Model() const;

    void SetSilent(bool silent);
    void SetDelayMs(int delayMs);
    // Answers each read request twice, as a confused device would.
    void SetDoubleAnswers(bool doubled);
    void SetInputs(int port, std::uint8_t levels);
    // Sends a byte nobody asked for, as a noisy line or a confused device would.
    void SendStray(std::uint8_t byte);
    // Suspends or resumes the line's output towards the device, as a device
    // that stops accepting data would.
    void SuspendLine(bool suspended);
    // The line settings the program on the other end has set.
    termios LineSettings() const;

private:
    using Clock = std::chrono::steady_clock;

    void TakeInput(Clock::time_point now);
    void SendDueAnswers(Clock::time_point now);
    void WalkInputs(Clock::time_point now);
    int MillisecondsToNextEvent(Clock::time_point now) const;
    void Transmit(std::uint8_t byte);

    SimOptions m_options;
    std::string m_devicePath;
    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;

    mutable std::mutex m_mutex;
    DeviceModel m_model;
    std::vector<std::uint8_t> m_received;
    std::deque<std::pair<Clock::time_point, std::uint8_t>> m_pendingAnswers;
    Clock::time_point m_nextWalk{};
    unsigned m_walkStep = 0;
};
