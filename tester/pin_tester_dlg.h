#pragma once

#include "device/port_list.h"
#include "tester/pin_tester.h"
#include "dialog_layer/realised_template.h"

#include <QBasicTimer>
#include <QDialog>
#include <QIcon>
#include <cstdint>
#include <memory>

class PortListPopup;

// The tester's window: the dialog IDD_PINTESTER_DIALOG over the tester's
// state and device routines. Its eleven strings are bound to the fields; the
// refresh operations redraw the pin buttons from the port state.
class CPinTesterDlg : public QDialog, public CPinTester
{
    Q_OBJECT
public:
    static constexpr int POLL_TIMER_ID = 1;
    static constexpr int kPollPeriodMs = 100;

    explicit CPinTesterDlg(QWidget *parent = nullptr);

    // Shows the dialog centred and runs it until it closes.
    int DoModal();
    QWidget *GetDlgItem(int id) const { return m_template.GetDlgItem(id); }
    // Where the Com Port field's list of ports comes from (the system's ports by default).
    void SetPortSource(std::shared_ptr<const PortSource> source);
    PortListPopup &PortList() const { return *m_portList; }

    // true: controls into the strings; false: strings into the controls,
    // replacing only texts whose display would change, so a field that would
    // look the same keeps its caret, selection and undo history. Change
    // actions are not dispatched while it runs.
    bool UpdateData(bool bSaveAndValidate = true);

    void ShowDirHex();
    void ShowInHex();
    void ShowOutHex();
    // Parses the member's text into target; a text cut to two characters is
    // shown again with the caret after it.
    void ParseHexField(int editId, QString &member, std::uint8_t &target);

    void RefreshStateCaption(int stateButton, PortIndex P, int n);
    void RefreshPinPair(int directionButton, int stateButton, PortIndex P, int n);
    void RefreshStateRow(PortIndex P);
    // Marks the state buttons of outputs that read back otherwise, and
    // unmarks the rest.
    void RefreshMarks();
    // Paints every pending change of the window now, in one paint.
    void UpdateWindow();

    // Reads the three ports while connected and shows what they read.
    void PollInputs();
    bool IsPolling() const { return m_pollTimer.isActive(); }

    // The OK and cancel commands: both close the channel, stop polling and end the dialog.
    void accept() override;
    void reject() override;

    QString m_strDirA, m_strDirB, m_strDirC;
    QString m_strOutA, m_strOutB, m_strOutC;
    QString m_strComPort;
    QString m_strInA, m_strInB, m_strInC;
    QIcon m_hIcon;

protected:
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void DoDataExchange(bool bSaveAndValidate);

    void showEvent(QShowEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    enum class Notification { Clicked, Changed };
    struct EventMapEntry;
    static const EventMapEntry kEventMap[];

    // The strings of the direction, output and input fields of ports A, B, C.
    using PortStrings = QString CPinTesterDlg::*const[kPortCount];
    static PortStrings kDirHexStrings, kOutHexStrings, kInHexStrings;

    // Rewrites three field strings from three port bytes and shows all fields.
    void ShowHex(const std::uint8_t (&bytes)[kPortCount], PortStrings &strings);

    void ConnectNotifications();
    void DescribeControls();
    void Dispatch(Notification notification, int id);

    void OnConnect();
    void OnPollOnce();
    void OnContinuous();
    void OnDirectionButton(int id);
    void OnStateButton(int id);
    void OnChangeComPort();
    void OnChangeDirHex(int id);
    void OnChangeOutHex(int id);
    void OnTimer(int timerId);
    void CloseChannelAndStopPolling();

    RealisedTemplate m_template;
    PortListPopup *m_portList;
    QBasicTimer m_pollTimer;
    bool m_bInExchange = false;
    bool m_bInitialised = false;
};
