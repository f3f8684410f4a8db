#pragma once

#include "tester/pin_tester.h"
#include "ui/realised_template.h"

#include <QDialog>
#include <QIcon>
#include <cstdint>

// The tester's window: the dialog IDD_PINTESTER_DIALOG over the tester's
// state and device routines. Its eleven strings are bound to the fields; the
// refresh operations redraw the pin buttons from the port state.
class CPinTesterDlg : public QDialog, public CPinTester
{
    Q_OBJECT
public:
    explicit CPinTesterDlg(QWidget *parent = nullptr);

    // Shows the dialog centred and runs it until it closes.
    int DoModal();
    QWidget *GetDlgItem(int id) const { return m_template.GetDlgItem(id); }

    // true: controls into the strings; false: strings into the controls,
    // replacing only texts that differ. Change actions are not dispatched
    // while it runs.
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

    QString m_strDirA, m_strDirB, m_strDirC;
    QString m_strOutA, m_strOutB, m_strOutC;
    QString m_strComPort;
    QString m_strStatus;
    QString m_strInA, m_strInB, m_strInC;
    QIcon m_hIcon;

protected:
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void DoDataExchange(bool bSaveAndValidate);

    void showEvent(QShowEvent *event) override;
    void accept() override;
    void reject() override;

private:
    enum class Notification { Clicked, Changed };
    struct EventMapEntry;
    static const EventMapEntry kEventMap[];

    void ConnectNotifications();
    void Dispatch(Notification notification, int id);

    RealisedTemplate m_template;
    bool m_bInExchange = false;
    bool m_bInitialised = false;
};
