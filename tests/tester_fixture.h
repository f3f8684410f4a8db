#pragma once

#include "res/resource.h"
#include "tester/pin_tester_dlg.h"
#include "tools/sim/virtual_device.h"

#include <QByteArray>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

// A shown tester window and a virtual device on a pseudo-terminal, with the
// user's gestures and the device's view of the wire.
class TesterFixture
{
public:
    TesterFixture();

    CPinTesterDlg &Dlg() { return *m_dlg; }
    VirtualDevice &Device() { return *m_device; }
    QString DevicePath() const { return QString::fromStdString(m_device->DevicePath()); }

    void Click(int id);
    // Selects the field's text and types over it, key by key.
    void TypeOver(int id, const QString &keys);
    void Connect(const QString &portText);
    QString Text(int id) const;

    // The bytes the device has received, once at least `count` have arrived
    // (or after a short wait when fewer ever do).
    QByteArray Wire(int count = 0);
    void ClearWire() { m_device->ClearReceived(); }

private:
    std::unique_ptr<VirtualDevice> m_device;
    std::unique_ptr<CPinTesterDlg> m_dlg;
};
