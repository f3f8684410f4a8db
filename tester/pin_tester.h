#pragma once

#include "device/port_list.h"
#include "device/serial_port.h"
#include "tester/line_keeper.h"
#include "tester/port_index.h"
#include "tester/readback_marks.h"

#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// What one read request brought.
struct PortReading
{
    // The answer, when a byte could be told to be the answer to this request.
    std::optional<std::uint8_t> levels;
    // Bytes arrived that no request asked for.
    bool unexpected = false;
};

// What one poll of ports A, B and C brought.
struct PollResult
{
    enum class Outcome { Answered, NoAnswer, UnexpectedData };
    Outcome outcome = Outcome::Answered;
    // 0xFF for a port that did not answer or was not asked.
    std::array<std::uint8_t, kPortCount> levels{0xFF, 0xFF, 0xFF};
    std::array<bool, kPortCount> answered{};
};

// What the status line and korvane-cli say of a poll that went wrong; empty
// for a poll that every port answered.
QString PollProblemText(PollResult::Outcome outcome);
// What they say once the connected device has gone.
QString LineLostText();

// The tester without its window: the device's port state, the captions the
// state gives the pin buttons, the exchanges with the device, the connect and
// poll rules, the read-back marks, the status line and the keeping of the
// line when the device goes and comes back. The window, korvane-cli and the
// tests share it.
class CPinTester
{
public:
    CPinTester();
    virtual ~CPinTester() = default;
    CPinTester(const CPinTester &) = delete;
    CPinTester &operator=(const CPinTester &) = delete;

    static constexpr int kReadTimeoutMs = 50;
    static constexpr int kLateAnswerLimitMs = 1000;
    static constexpr int kTrustAgainAfterMs = 1000;
    static constexpr const char *kLineSettings = "9600";

    // Captions of pin (P, n): "I" for an input, "O" for an output; and "1" or
    // "0" for the pin's displayed state.
    QString DirectionCaption(PortIndex P, int n) const;
    QString StateCaption(PortIndex P, int n) const;
    // An input shows the level last read, an output the level it drives.
    bool DisplayedState(PortIndex P, int n) const;

    // Starts a user action or a poll tick. Once a write of an action has
    // failed (the line stopped accepting data), the action skips its
    // remaining writes, so it never waits for the write time-out twice.
    void BeginAction() { m_bLineStalled = false; }
    bool LineStalled() const { return m_bLineStalled; }

    // The start: all pins inputs reading high, outputs low, nothing read
    // yet, and the status line's first text.
    void Reset();

    // Opens the channel on the device with the tester's line settings; the
    // results are those of CSerialPort::Open.
    int OpenLine(const QString &deviceName);
    // Opens the channel on the device that a Com Port text names, closing an
    // open one first, and keeps watch over the line. The device's path; or
    // nothing, with "Connection failed." and the reason where it is known in
    // the status line.
    std::optional<QString> OpenPort(const QString &portText);
    // Opens the port and sends the whole state, directions then outputs; the
    // status line says how it went.
    bool Connect(const QString &portText);
    // Once the device has gone: opens the channel again on a device proven
    // to be the same one, sending nothing. False while there is none.
    bool Reopen();
    // Closes the channel and forgets the device.
    void CloseLine();
    // Where the ports that prove a device's identity are listed.
    void SetPortSource(std::shared_ptr<const PortSource> source);
    const std::shared_ptr<const PortSource> &Ports() const { return m_ports; }
    // Called when the keeper has closed a lost line or opened it again, once
    // the status line says so.
    void SetLineHandler(std::function<void()> handler) { m_lineHandler = std::move(handler); }
    // After a poll tick: the line is checked with it.
    void CheckLineAfterPoll() { m_lineKeeper.CheckAfterUse(); }

    // While the channel is open: the direction commands of ports A, B and C.
    void SendDirections();
    // While the channel is open: the output commands of ports A, B and C.
    void SendOutputs();
    // Asks port P for its pin levels. The device answers requests in order
    // with one byte each, so a byte is taken as the answer only while no
    // earlier request may still be answered: after a request went
    // unanswered, the next byte to come is its late answer, and no new
    // request is sent until it has come or kLateAnswerLimitMs have passed.
    // Bytes beyond that were asked for by nobody: they are reported, and
    // every reading stays in doubt until kTrustAgainAfterMs have passed
    // without such bytes, since a byte still on its way may already have
    // been taken as an answer.
    PortReading ReadPort(PortIndex P);
    // Reads ports A, B and C in turn. The first port that gives no answer
    // ends the poll, and it and the ports not yet asked read 0xFF. Bytes that
    // nobody asked for make the whole poll doubtful: no port counts as
    // answered and all read 0xFF.
    PollResult Poll();
    // While connected: polls, keeps what the ports read and their marks, and
    // sets the status line by the outcome. True for a port whose answer is
    // new: different from the last, or 0x80 or above, which always counts
    // as new.
    std::array<bool, kPortCount> PollAndKeep();

    // Set bit = input / pin read high / pin driven high.
    std::uint8_t m_portDir[kPortCount] = {0xFF, 0xFF, 0xFF};
    std::uint8_t m_portIn[kPortCount] = {0xFF, 0xFF, 0xFF};
    std::uint8_t m_portOut[kPortCount] = {0x00, 0x00, 0x00};

    CSerialPort m_serial;
    ReadbackMarks m_marks;
    QString m_strStatus;

private:
    using Clock = std::chrono::steady_clock;

    // Writes one command unless an earlier write of this action failed.
    bool Send(const char *command, short length);
    // Takes the bytes already waiting: the first answers an unanswered
    // request, if there is one. Notes when any other byte was among them.
    void TakeWaitingBytes();
    bool InDoubt() const;
    // The device takes the whole state at once.
    void SendState();
    void OnLineLost();
    void OnSearching();

    bool m_bLineStalled = false;
    // When the request still waiting for its answer was sent.
    std::optional<Clock::time_point> m_unansweredRequest;
    // When bytes nobody asked for last came.
    std::optional<Clock::time_point> m_lastUnexpected;
    std::shared_ptr<const PortSource> m_ports = MakeSystemPorts();
    LineKeeper m_lineKeeper{m_serial, m_ports};
    std::function<void()> m_lineHandler;
};
