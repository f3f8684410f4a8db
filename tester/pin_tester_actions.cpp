// What the tester does on each event: the event map and its actions.

#include "tester/pin_tester_dlg.h"

#include "device/port_name.h"
#include "res/resource.h"

#include <QCheckBox>
#include <QTimerEvent>
#include <variant>

namespace {

const QString kStatusStart = QStringLiteral("Set COM port then click Connect.");
const QString kStatusConnected = QStringLiteral("Connection successful.");
const QString kStatusFailed = QStringLiteral("Connection failed.");
const QString kStatusNoAnswer = PollProblemText(PollResult::Outcome::NoAnswer);
const QString kStatusUnexpected = PollProblemText(PollResult::Outcome::UnexpectedData);
const QString kStatusNotAccepting = QStringLiteral("Device not accepting data.");
const QString kStatusDisconnected = QStringLiteral("Device disconnected.");

struct Pin
{
    PortIndex P;
    int n;
};

// The pin whose button has this number, through the pin grids.
Pin PinOf(int id, int (*buttonId)(int, int))
{
    for (PortIndex P = 0; P < kPortCount; ++P) {
        for (int n = 0; n < kPinsPerPort; ++n) {
            if (buttonId(P, n) == id)
                return {P, n};
        }
    }
    return {0, 0};
}

} // namespace

struct CPinTesterDlg::EventMapEntry
{
    Notification notification;
    int firstId;
    int lastId;
    std::variant<void (CPinTesterDlg::*)(), void (CPinTesterDlg::*)(int)> action;
};

const CPinTesterDlg::EventMapEntry CPinTesterDlg::kEventMap[] = {
    {Notification::Clicked, IDC_CONNECT, IDC_CONNECT, &CPinTesterDlg::OnConnect},
    {Notification::Clicked, IDC_POLL_ONCE, IDC_POLL_ONCE, &CPinTesterDlg::OnPollOnce},
    {Notification::Clicked, IDC_CONTINUOUS, IDC_CONTINUOUS, &CPinTesterDlg::OnContinuous},
    {Notification::Clicked, IDC_DIR_A0, IDC_DIR_C7, &CPinTesterDlg::OnDirectionButton},
    {Notification::Clicked, IDC_PIN_A0, IDC_PIN_A0, &CPinTesterDlg::OnStateButton},
    {Notification::Clicked, IDC_PIN_A1, IDC_PIN_C7, &CPinTesterDlg::OnStateButton},
    {Notification::Changed, IDC_COMPORT, IDC_COMPORT, &CPinTesterDlg::OnChangeComPort},
    {Notification::Changed, IDC_DIRHEX_A, IDC_DIRHEX_C, &CPinTesterDlg::OnChangeDirHex},
    {Notification::Changed, IDC_OUTHEX_A, IDC_OUTHEX_C, &CPinTesterDlg::OnChangeOutHex},
    {Notification::Clicked, IDOK, IDOK, &CPinTesterDlg::accept},
    {Notification::Clicked, IDCANCEL, IDCANCEL, &CPinTesterDlg::reject},
};

void CPinTesterDlg::Dispatch(Notification notification, int id)
{
    if (m_bInExchange)
        return;
    BeginAction();
    for (const EventMapEntry &entry : kEventMap) {
        if (entry.notification != notification || id < entry.firstId || id > entry.lastId)
            continue;
        if (const auto plain = std::get_if<void (CPinTesterDlg::*)()>(&entry.action))
            (this->*(*plain))();
        else
            (this->*std::get<void (CPinTesterDlg::*)(int)>(entry.action))(id);
        RefreshMarks();
        return;
    }
}

bool CPinTesterDlg::OnInitDialog()
{
    setWindowIcon(m_hIcon);
    for (PortIndex P = 0; P < kPortCount; ++P) {
        m_portDir[P] = 0xFF;
        m_portIn[P] = 0xFF;
        m_portOut[P] = 0x00;
    }
    m_strInA = m_strInB = m_strInC = QStringLiteral("FF");
    m_strDirA = m_strDirB = m_strDirC = QStringLiteral("FF");
    m_strOutA = m_strOutB = m_strOutC = QStringLiteral("00");
    m_strStatus = kStatusStart;
    UpdateData(false);
    return true;
}

void CPinTesterDlg::OnConnect()
{
    UpdateData(true);
    if (m_serial.IsOpen())
        m_serial.Close();
    const std::optional<QString> device = PortDeviceName(m_strComPort);
    const int result = device ? OpenLine(*device) : -1;
    if (result == 1) {
        m_lineKeeper.Watch(m_strComPort, *device);
        SendStateOnConnect();
    } else {
        m_lineKeeper.Forget();
        // The reason, where it is known, follows in a sentence of its own.
        const OpenFailure failure = device ? m_serial.LastOpenFailure() : OpenFailure(OpenFailure::Reason::NoSuchPort);
        m_strStatus = QStringList{kStatusFailed, OpenFailureSentence(failure)}.join(u' ').trimmed();
    }
    UpdateData(false);
}

// The device takes the window's state at once.
void CPinTesterDlg::SendStateOnConnect()
{
    SendDirections();
    SendOutputs();
    m_strStatus = LineStalled() ? kStatusNotAccepting : kStatusConnected;
}

// The port state and the polling switch stay as they are for the device's return.
void CPinTesterDlg::OnDeviceLost()
{
    m_serial.Close();
    m_strStatus = kStatusDisconnected;
    UpdateData(false);
}

// The lost device is back: connected again as Connect does, with the same state.
void CPinTesterDlg::OnDeviceFound(const QString &device)
{
    if (OpenLine(device) != 1)
        return;
    if (!m_lineKeeper.Resume(device)) {
        m_serial.Close();
        return;
    }
    BeginAction();
    SendStateOnConnect();
    UpdateData(false);
}

void CPinTesterDlg::OnDirectionButton(int id)
{
    const auto [P, n] = PinOf(id, DirectionButtonId);
    m_portDir[P] ^= 1 << n;
    RefreshPinPair(DirectionButtonId(P, n), StateButtonId(P, n), P, n);
    ShowDirHex();
    // The new look, captions and field show, in one paint, before the commands go.
    UpdateWindow();
    SendDirections();
}

void CPinTesterDlg::OnStateButton(int id)
{
    const auto [P, n] = PinOf(id, StateButtonId);
    m_portOut[P] ^= 1 << n;
    RefreshStateCaption(StateButtonId(P, n), P, n);
    ShowOutHex();
    SendOutputs();
}

// Directions go to the device before the buttons are redrawn.
void CPinTesterDlg::OnChangeDirHex(int id)
{
    const PortIndex P = id - IDC_DIRHEX_A;
    UpdateData(true);
    ParseHexField(id, this->*kDirHexStrings[P], m_portDir[P]);
    SendDirections();
    for (int n = 0; n < kPinsPerPort; ++n)
        RefreshPinPair(DirectionButtonId(P, n), StateButtonId(P, n), P, n);
}

// Outputs are redrawn before they go to the device.
void CPinTesterDlg::OnChangeOutHex(int id)
{
    const PortIndex P = id - IDC_OUTHEX_A;
    UpdateData(true);
    ParseHexField(id, this->*kOutHexStrings[P], m_portOut[P]);
    RefreshStateRow(P);
    SendOutputs();
}

void CPinTesterDlg::OnChangeComPort()
{
    UpdateData(true);
}

void CPinTesterDlg::OnPollOnce()
{
    PollInputs();
}

// An answer of 0x80 or above always counts as new, so such a port is redrawn
// at every poll. A port that gave no answer reads 0xFF, and the status line
// says what went wrong until a poll gets all three answers again.
void CPinTesterDlg::PollInputs()
{
    if (!m_serial.IsOpen())
        return;
    const PollResult result = Poll();
    for (PortIndex P = 0; P < kPortCount; ++P) {
        const std::uint8_t r = result.levels[P];
        if (r >= 0x80 || r != m_portIn[P]) {
            m_portIn[P] = r;
            RefreshStateRow(P);
        }
        m_marks.Polled(P, m_portDir[P], r, m_portOut[P], result.answered[P]);
    }
    RefreshMarks();
    if (result.outcome != PollResult::Outcome::Answered)
        m_strStatus = PollProblemText(result.outcome);
    else if (m_strStatus == kStatusNoAnswer || m_strStatus == kStatusUnexpected || m_strStatus == kStatusNotAccepting)
        m_strStatus = kStatusConnected;
    ShowInHex();
}

void CPinTesterDlg::OnContinuous()
{
    const auto *box = qobject_cast<QCheckBox *>(GetDlgItem(IDC_CONTINUOUS));
    if (box->isChecked())
        m_pollTimer.start(kPollPeriodMs, Qt::PreciseTimer, this);
    else
        m_pollTimer.stop();
}

void CPinTesterDlg::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_pollTimer.timerId()) {
        BeginAction();
        OnTimer(POLL_TIMER_ID);
        m_lineKeeper.CheckAfterUse();
    } else
        QDialog::timerEvent(event);
}

void CPinTesterDlg::OnTimer(int)
{
    PollInputs();
}

void CPinTesterDlg::accept()
{
    OnOK();
}

void CPinTesterDlg::reject()
{
    OnCancel();
}

void CPinTesterDlg::CloseChannelAndStopPolling()
{
    m_lineKeeper.Forget();
    if (m_serial.IsOpen())
        m_serial.Close();
    m_pollTimer.stop();
}

void CPinTesterDlg::OnOK()
{
    CloseChannelAndStopPolling();
    UpdateData(true);
    QDialog::accept();
}

void CPinTesterDlg::OnCancel()
{
    CloseChannelAndStopPolling();
    QDialog::reject();
}
