#include "tester_fixture.h"
#include "dialog_layer/port_list_popup.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QTemporaryDir>

namespace {

// The keys go where a user's would: to the open list, or else to the focused field.
void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *popup = QApplication::activePopupWidget();
    QTest::keyClick(popup ? popup : QApplication::focusWidget(), key, modifiers);
}

QStringList ListedLines(CPinTesterDlg &dlg)
{
    QAbstractItemView *popup = dlg.PortList().Completer()->popup();
    QStringList lines;
    for (int row = 0; popup->isVisible() && row < popup->model()->rowCount(); ++row)
        lines << popup->model()->index(row, 0).data().toString();
    return lines;
}

} // namespace

class TestPortList : public QObject
{
    Q_OBJECT
private slots:
    // udev's links are relative to their folder; the first in name order wins.
    void stableNamesAreFoundByTheirNode()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("by-id");
        QFile(dir.filePath("ttyUSB0")).open(QIODevice::WriteOnly);
        for (const char *name : {"usb-B", "usb-A"})
            QFile::link("../ttyUSB0", dir.filePath("by-id/") + name);
        QFile::link("../gone", dir.filePath("by-id/usb-0"));
        QCOMPARE(StableDeviceName(dir.filePath("ttyUSB0"), dir.filePath("by-id")), dir.filePath("by-id/usb-A"));
    }

    void listOpensFiltersAndFillsTheField()
    {
        TesterFixture t;
        auto ports = std::make_shared<ListedPorts>();
        t.Dlg().SetPortSource(ports);
        const QString pty = t.DevicePath().mid(5);
        const PortListEntry adapter{"ttyUSB7", "/dev/ttyUSB7", "/dev/serial/by-id/usb-FTDI_A1-port0",
                                    "FT232R USB UART", "FTDI", "A1", "0403:6001"};
        ports->ports = {adapter, {pty, t.DevicePath(), {}, {}, {}, {}, {}}};
        auto *field = qobject_cast<QLineEdit *>(t.Dlg().GetDlgItem(IDC_COMPORT));
        field->setFocus();

        // Down opens the whole list; it is read again each time it opens.
        Key(Qt::Key_Down);
        const QString identification = QStringLiteral("  \u2014  FT232R USB UART, FTDI, serial A1, USB 0403:6001");
        QCOMPARE(ListedLines(t.Dlg()), QStringList({"ttyUSB7" + identification, adapter.stableName + identification, pty}));
        Key(Qt::Key_Escape);
        QVERIFY(ListedLines(t.Dlg()).isEmpty());
        ports->ports.removeFirst();
        Key(Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(ListedLines(t.Dlg()), QStringList{pty});
        Key(Qt::Key_Escape);

        // Typing filters by name and identification alike.
        ports->ports.prepend(adapter);
        QTest::keyClicks(field, "ftdi");
        QCOMPARE(ListedLines(t.Dlg()).size(), 2);
        QTest::keyClicks(field, "x");
        QVERIFY(ListedLines(t.Dlg()).isEmpty());

        // Choosing types the name in as the user's edit; Enter then connects.
        field->clear();
        QTest::keyClicks(field, "pts");
        Key(Qt::Key_Down);
        Key(Qt::Key_Return);
        QCOMPARE(t.Dlg().m_strComPort, pty);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Set COM port then click Connect."));
        Key(Qt::Key_Return);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
    }
};

QTEST_MAIN(TestPortList)
#include "test_port_list.moc"
