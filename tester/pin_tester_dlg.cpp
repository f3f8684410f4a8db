#include "tester/pin_tester_dlg.h"

#include "res/main_frame_icon.h"
#include "res/resource.h"
#include "tester/hex_text.h"
#include "tester/pin_descriptions.h"
#include "dialog_layer/control_text.h"
#include "dialog_layer/port_list_popup.h"
#include "dialog_layer/state_button.h"
#include "dialog_layer/window_centring.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>

namespace {

// The field bindings in exchange order.
struct FieldBinding
{
    int id;
    QString CPinTesterDlg::*member;
};

constexpr FieldBinding kFieldBindings[] = {
    {IDC_DIRHEX_A, &CPinTesterDlg::m_strDirA}, {IDC_DIRHEX_B, &CPinTesterDlg::m_strDirB},
    {IDC_DIRHEX_C, &CPinTesterDlg::m_strDirC}, {IDC_OUTHEX_A, &CPinTesterDlg::m_strOutA},
    {IDC_OUTHEX_B, &CPinTesterDlg::m_strOutB}, {IDC_OUTHEX_C, &CPinTesterDlg::m_strOutC},
    {IDC_COMPORT, &CPinTesterDlg::m_strComPort}, {IDC_STATUS, &CPinTesterDlg::m_strStatus},
    {IDC_INHEX_A, &CPinTesterDlg::m_strInA},   {IDC_INHEX_B, &CPinTesterDlg::m_strInB},
    {IDC_INHEX_C, &CPinTesterDlg::m_strInC},
};

} // namespace

CPinTesterDlg::CPinTesterDlg(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_hIcon(LoadMainFrameIcon()), m_template(PinTesterDialogTemplate(), *this),
      m_portList(new PortListPopup(qobject_cast<QLineEdit *>(GetDlgItem(IDC_COMPORT)), Ports()))
{
    ConnectNotifications();
    DescribeControls();
    SetLineHandler([this] { UpdateData(false); });
}

// The pin buttons are described by their template captions until a refresh
// describes them by the state.
void CPinTesterDlg::DescribeControls()
{
    for (PortIndex P = 0; P < kPortCount; ++P) {
        for (int n = 0; n < kPinsPerPort; ++n) {
            SetControlDescription(GetDlgItem(DirectionButtonId(P, n)), DirectionDescription(P, n, true));
            QWidget *state = GetDlgItem(StateButtonId(P, n));
            SetControlDescription(state, StateDescription(P, n, ControlText(state)));
        }
    }
    for (const ControlTemplate &control : PinTesterDialogTemplate().controls) {
        const QString description = HexFieldDescription(control.id);
        if (!description.isEmpty())
            SetControlDescription(GetDlgItem(control.id), description);
    }
}

void CPinTesterDlg::SetPortSource(std::shared_ptr<const PortSource> source)
{
    CPinTester::SetPortSource(std::move(source));
    m_portList->SetSource(Ports());
}

int CPinTesterDlg::DoModal()
{
    CentreOnPointerScreen(*this);
    return exec();
}

void CPinTesterDlg::showEvent(QShowEvent *event)
{
    if (!m_bInitialised) {
        m_bInitialised = true;
        if (OnInitDialog())
            GetDlgItem(IDOK)->setFocus();
    }
    QDialog::showEvent(event);
}

bool CPinTesterDlg::UpdateData(bool bSaveAndValidate)
{
    const bool wasExchanging = m_bInExchange;
    m_bInExchange = true;
    DoDataExchange(bSaveAndValidate);
    m_bInExchange = wasExchanging;
    return true;
}

void CPinTesterDlg::DoDataExchange(bool bSaveAndValidate)
{
    for (const FieldBinding &binding : kFieldBindings) {
        QWidget *control = GetDlgItem(binding.id);
        QString &member = this->*binding.member;
        if (bSaveAndValidate) {
            member = ControlText(control);
            continue;
        }
        // A field that already shows the text exactly needs no validation to
        // tell; a field given the text as it will show it validates it once.
        const QString shown = ControlText(control);
        if (shown == member)
            continue;
        const QString displayed = DisplayedForm(control, member);
        if (shown != displayed)
            SetControlText(control, displayed);
    }
}

CPinTesterDlg::PortStrings CPinTesterDlg::kDirHexStrings = {&CPinTesterDlg::m_strDirA, &CPinTesterDlg::m_strDirB,
                                                            &CPinTesterDlg::m_strDirC};
CPinTesterDlg::PortStrings CPinTesterDlg::kOutHexStrings = {&CPinTesterDlg::m_strOutA, &CPinTesterDlg::m_strOutB,
                                                            &CPinTesterDlg::m_strOutC};
CPinTesterDlg::PortStrings CPinTesterDlg::kInHexStrings = {&CPinTesterDlg::m_strInA, &CPinTesterDlg::m_strInB,
                                                           &CPinTesterDlg::m_strInC};

void CPinTesterDlg::ShowHex(const std::uint8_t (&bytes)[kPortCount], PortStrings &strings)
{
    for (PortIndex P = 0; P < kPortCount; ++P)
        this->*strings[P] = FormatHex(bytes[P]);
    UpdateData(false);
}

void CPinTesterDlg::ShowDirHex()
{
    ShowHex(m_portDir, kDirHexStrings);
}

void CPinTesterDlg::ShowInHex()
{
    ShowHex(m_portIn, kInHexStrings);
}

void CPinTesterDlg::ShowOutHex()
{
    ShowHex(m_portOut, kOutHexStrings);
}

void CPinTesterDlg::ParseHexField(int editId, QString &member, std::uint8_t &target)
{
    bool shortened = false;
    target = ParseHexText(member, shortened);
    if (!shortened)
        return;
    UpdateData(false);
    if (auto *edit = qobject_cast<QLineEdit *>(GetDlgItem(editId)))
        edit->setCursorPosition(static_cast<int>(member.size()));
}

void CPinTesterDlg::RefreshStateCaption(int stateButton, PortIndex P, int n)
{
    QWidget *button = GetDlgItem(stateButton);
    const QString caption = StateCaption(P, n);
    // A button's description follows its caption and mark, and each change
    // of a mark sets it: a button that shows the caption already has it.
    if (ControlText(button) == caption)
        return;
    SetControlText(button, caption);
    SetControlDescription(button, StateDescription(P, n, caption, m_marks.Marked(P, n)));
}

void CPinTesterDlg::RefreshPinPair(int directionButton, int stateButton, PortIndex P, int n)
{
    const bool input = (m_portDir[P] >> n) & 1;
    if (auto *button = qobject_cast<StateButton *>(GetDlgItem(stateButton)))
        button->setLook(input ? StateButton::Look::Flat : StateButton::Look::Heavy);
    RefreshStateCaption(stateButton, P, n);
    SetControlText(GetDlgItem(directionButton), DirectionCaption(P, n));
    SetControlDescription(GetDlgItem(directionButton), DirectionDescription(P, n, input));
}

void CPinTesterDlg::RefreshStateRow(PortIndex P)
{
    for (int n = 0; n < kPinsPerPort; ++n)
        RefreshStateCaption(StateButtonId(P, n), P, n);
}

void CPinTesterDlg::RefreshMarks()
{
    for (PortIndex P = 0; P < kPortCount; ++P) {
        m_marks.Changed(P, m_portDir[P], m_portIn[P], m_portOut[P]);
        const std::uint8_t changed = m_marks.TakeShownChanges(P);
        for (int n = 0; n < kPinsPerPort; ++n) {
            if (!((changed >> n) & 1))
                continue;
            QWidget *button = GetDlgItem(StateButtonId(P, n));
            const bool marked = m_marks.Marked(P, n);
            if (auto *state = qobject_cast<StateButton *>(button))
                state->setMarked(marked);
            SetControlDescription(button, StateDescription(P, n, ControlText(button), marked));
        }
    }
}

void CPinTesterDlg::UpdateWindow()
{
    QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
}

void CPinTesterDlg::ConnectNotifications()
{
    for (const ControlTemplate &control : PinTesterDialogTemplate().controls) {
        if (control.id == IDC_STATIC)
            continue;
        const int id = control.id;
        QWidget *widget = GetDlgItem(id);
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            connect(button, &QAbstractButton::clicked, this, [this, id] { Dispatch(Notification::Clicked, id); });
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            connect(edit, &QLineEdit::textEdited, this, [this, id] { Dispatch(Notification::Changed, id); });
    }
}
