#pragma once

#include "left_over_locks.h"
#include "res/resource.h"
#include "tester/pin_tester_dlg.h"
#include "tools/sim/virtual_device.h"
#include "dialog_layer/control_text.h"

#include <QDeadlineTimer>
#include <QLineEdit>
#include <QTest>
#include <memory>

// A list of serial ports of the test's own.
class ListedPorts : public PortSource
{
public:
    QList<PortListEntry> ports;
    QList<PortListEntry> Ports() const override { return ports; }
};

// Bytes written as hexadecimal text.
inline QByteArray Hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// A shown tester window and a virtual device on a pseudo-terminal, with the
// user's gestures and the device's view of the wire.
class TesterFixture
{
public:
    TesterFixture()
    {
        std::string error;
        if (!m_device->Open(error))
            qFatal("%s", error.c_str());
        RemoveLeftOverLock(DevicePath());
        m_device->Start();
        m_dlg->show();
        if (!QTest::qWaitForWindowExposed(m_dlg.get()))
            qFatal("the tester window was not shown");
    }

    CPinTesterDlg &Dlg() { return *m_dlg; }
    VirtualDevice &Device() { return *m_device; }
    QString DevicePath() const { return QString::fromStdString(m_device->DevicePath()); }
    QString Text(int id) const { return ControlText(m_dlg->GetDlgItem(id)); }
    QLineEdit *Edit(int id) const { return qobject_cast<QLineEdit *>(m_dlg->GetDlgItem(id)); }

    void Click(int id) { QTest::mouseClick(m_dlg->GetDlgItem(id), Qt::LeftButton); }
    // Selects the field's text and types over it, key by key.
    void TypeOver(int id, const QString &keys)
    {
        QLineEdit *edit = Edit(id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, keys);
    }
    // Poll Once, clicked again while the device, left behind by a loaded
    // machine, did not answer within the read time-out.
    void PollOnce()
    {
        const QDeadlineTimer deadline(5000);
        Click(IDC_POLL_ONCE);
        while (Text(IDC_STATUS) == QStringLiteral("No answer from device.") && !deadline.hasExpired()) {
            QTest::qWait(10);
            Click(IDC_POLL_ONCE);
        }
    }
    void Connect(const QString &portText)
    {
        TypeOver(IDC_COMPORT, portText);
        Click(IDC_CONNECT);
    }

    // The bytes the device has received, once at least `count` have arrived
    // and it has taken all that was written (after a short wait when none are
    // expected).
    QByteArray Wire(int count = 0)
    {
        if (count == 0)
            QTest::qWait(30);
        const QDeadlineTimer deadline(5000);
        while ((static_cast<int>(m_device->Received().size()) < count || !m_device->AllInputTaken()) && !deadline.hasExpired())
            QTest::qWait(1);
        const std::vector<std::uint8_t> bytes = m_device->Received();
        return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }
    // Forgets what the device has received, once it has received everything
    // written so far: a loaded machine may leave the device behind.
    void ClearWire()
    {
        if (!QTest::qWaitFor([&] { return m_device->AllInputTaken(); }, 5000))
            qWarning("the device did not take its input within 5 s");
        m_device->ClearReceived();
    }

private:
    std::unique_ptr<VirtualDevice> m_device = std::make_unique<VirtualDevice>();
    std::unique_ptr<CPinTesterDlg> m_dlg = std::make_unique<CPinTesterDlg>();
};
