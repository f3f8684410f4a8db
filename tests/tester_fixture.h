#pragma once

#include "pty_device.h"
#include "res/resource.h"
#include "tester/pin_tester_dlg.h"
#include "dialog_layer/control_text.h"

#include <QLineEdit>
#include <QTest>

// A list of serial ports of the test's own.
struct ListedPorts : PortSource
{
    QList<PortListEntry> ports;
    QList<PortListEntry> Ports() const override { return ports; }
};

inline QByteArray Hex(const char *text) { return QByteArray::fromHex(text); }

// Whether a pixel of the image's first `columns` columns (all when -1) is of the colour asked for.
template <typename IsColour> bool Shows(const QImage &image, IsColour isColour, int columns = -1)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < (columns < 0 ? image.width() : columns); ++x) {
            if (isColour(image.pixelColor(x, y)))
                return true;
        }
    }
    return false;
}

// A shown tester window and a virtual device on a pseudo-terminal, with the
// user's gestures and the device's view of the wire.
class TesterFixture
{
public:
    explicit TesterFixture(SimOptions options = {}) : m_device(std::move(options))
    {
        m_device.Start();
        m_dlg.show();
        if (!QTest::qWaitForWindowExposed(&m_dlg))
            qFatal("the tester window was not shown");
    }

    CPinTesterDlg &Dlg() { return m_dlg; }
    PtyDevice &Device() { return m_device; }
    QString DevicePath() const { return m_device.path; }
    QString Text(int id) const { return ControlText(m_dlg.GetDlgItem(id)); }
    QLineEdit *Edit(int id) const { return qobject_cast<QLineEdit *>(m_dlg.GetDlgItem(id)); }
    QByteArray Wire(int count = 0) const { return m_device.Wire(count); }
    void ClearWire() { m_device.ClearWire(); }
    void Click(int id) { QTest::mouseClick(m_dlg.GetDlgItem(id), Qt::LeftButton); }
    // Selects the field's text and types over it, key by key.
    void TypeOver(int id, const QString &keys)
    {
        Edit(id)->setFocus();
        Edit(id)->selectAll();
        QTest::keyClicks(Edit(id), keys);
    }
    void Connect(const QString &portText)
    {
        TypeOver(IDC_COMPORT, portText);
        Click(IDC_CONNECT);
    }
    // Poll Once, clicked again while the device, left behind by a loaded
    // machine, did not answer within the read time-out.
    void PollOnce()
    {
        const auto answered = [&] {
            Click(IDC_POLL_ONCE);
            return Text(IDC_STATUS) != "No answer from device.";
        };
        static_cast<void>(QTest::qWaitFor(answered, 5000));
    }

private:
    PtyDevice m_device;
    CPinTesterDlg m_dlg;
};
