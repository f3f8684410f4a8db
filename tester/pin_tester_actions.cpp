// What the tester does on each event: the event map and its actions.

#include "tester/pin_tester_dlg.h"

#include "res/resource.h"

struct CPinTesterDlg::EventMapEntry
{
    Notification notification;
    int firstId;
    int lastId;
    void (CPinTesterDlg::*action)();
};

const CPinTesterDlg::EventMapEntry CPinTesterDlg::kEventMap[] = {
    {Notification::Clicked, IDOK, IDOK, &CPinTesterDlg::accept},
    {Notification::Clicked, IDCANCEL, IDCANCEL, &CPinTesterDlg::reject},
};

void CPinTesterDlg::Dispatch(Notification notification, int id)
{
    if (m_bInExchange)
        return;
    for (const EventMapEntry &entry : kEventMap) {
        if (entry.notification == notification && id >= entry.firstId && id <= entry.lastId) {
            (this->*entry.action)();
            return;
        }
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
    m_strStatus = QStringLiteral("Set COM port then click Connect.");
    UpdateData(false);
    return true;
}

void CPinTesterDlg::accept()
{
    OnOK();
}

void CPinTesterDlg::reject()
{
    OnCancel();
}

void CPinTesterDlg::OnOK()
{
    UpdateData(true);
    QDialog::accept();
}

void CPinTesterDlg::OnCancel()
{
    QDialog::reject();
}
