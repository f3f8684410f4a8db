// What the tester does on each event: the event map and its actions.

#include "tester/pin_tester_dlg.h"

#include "res/resource.h"

#include <QCheckBox>
#include <QTimerEvent>
#include <variant>

namespace {

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
    Reset();
    m_strInA = m_strInB = m_strInC = QStringLiteral("FF");
    m_strDirA = m_strDirB = m_strDirC = QStringLiteral("FF");
    m_strOutA = m_strOutB = m_strOutC = QStringLiteral("00");
    UpdateData(false);
    return true;
}

void CPinTesterDlg::OnConnect()
{
    UpdateData(true);
    Connect(m_strComPort);
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

// A port whose answer the core counts as new is redrawn; the input fields
// are always rewritten.
void CPinTesterDlg::PollInputs()
{
    if (!m_serial.IsOpen())
        return;
    const std::array<bool, kPortCount> renewed = PollAndKeep();
    for (PortIndex P = 0; P < kPortCount; ++P) {
        if (renewed[P])
            RefreshStateRow(P);
    }
    RefreshMarks();
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
        CheckLineAfterPoll();
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
    CloseLine();
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
