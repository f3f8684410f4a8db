#include "tester_fixture.h"
#include "ui/port_list_popup.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const PortListEntry kAdapter{"ttyUSB7", "/dev/ttyUSB7", "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0",
                             "FT232R USB UART", "FTDI", "A1", "0403:6001"};

// The keys go where a user's would: to the open list, or else to the focused field.
void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *target = QApplication::activePopupWidget() ? QApplication::activePopupWidget() : QApplication::focusWidget();
    QTest::keyClick(target, key, modifiers);
}

QStringList ListedLines(CPinTesterDlg &dlg)
{
    QAbstractItemView *popup = dlg.PortList().Completer()->popup();
    QStringList lines;
    if (popup->isVisible()) {
        for (int row = 0; row < popup->model()->rowCount(); ++row)
            lines << popup->model()->index(row, 0).data().toString();
    }
    return lines;
}

} // namespace

class TestPortList : public QObject
{
    Q_OBJECT
private slots:
    void stableNamesAndIdentification()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("serial/by-id");
        QFile(dir.filePath("ttyUSB0")).open(QIODevice::WriteOnly);
        QFile::link("../../ttyUSB0", dir.filePath("serial/by-id/usb-B-port0"));
        QFile::link("../../ttyUSB0", dir.filePath("serial/by-id/usb-A-port0"));
        QFile::link("../../gone", dir.filePath("serial/by-id/usb-C-port0"));
        QCOMPARE(StableDeviceName(dir.filePath("ttyUSB0"), dir.filePath("serial/by-id")),
                 dir.filePath("serial/by-id/usb-A-port0"));
        QCOMPARE(StableDeviceName(dir.filePath("gone"), dir.filePath("serial/by-id")), dir.filePath("gone"));

        PortListEntry bare;
        bare.name = "ttyS0";
        const QList<PortChoice> choices = PortChoices({kAdapter, bare});
        QCOMPARE(choices.size(), 3);
        QCOMPARE(choices[0].text, QStringLiteral("ttyUSB7"));
        QCOMPARE(choices[0].identification, QStringLiteral("FT232R USB UART, FTDI, serial A1, USB 0403:6001"));
        QCOMPARE(choices[1].text, kAdapter.stableName);
        QCOMPARE(choices[2].text + choices[2].identification, QStringLiteral("ttyS0"));
    }

    void listOpensFiltersAndFillsTheField()
    {
        TesterFixture t;
        auto ports = std::make_shared<ListedPorts>();
        t.Dlg().SetPortSource(ports);
        PortListEntry virtualDevice;
        virtualDevice.path = t.DevicePath();
        virtualDevice.name = virtualDevice.path.mid(5);
        virtualDevice.description = "KORVANE";
        ports->ports = {kAdapter, virtualDevice};
        auto *field = qobject_cast<QLineEdit *>(t.Dlg().GetDlgItem(IDC_COMPORT));
        field->setFocus();

        // Down opens the whole list; it is read again each time it opens.
        Key(Qt::Key_Down);
        QCOMPARE(ListedLines(t.Dlg()).size(), 3);
        QVERIFY(ListedLines(t.Dlg())[0].startsWith("ttyUSB7  \u2014  FT232R"));
        Key(Qt::Key_Escape);
        QVERIFY(ListedLines(t.Dlg()).isEmpty());
        ports->ports.removeFirst();
        Key(Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(ListedLines(t.Dlg()), QStringList{virtualDevice.name + "  \u2014  KORVANE"});
        Key(Qt::Key_Escape);

        // Typing filters by name and identification alike.
        ports->ports = {kAdapter, virtualDevice};
        QTest::keyClicks(field, "ftdi");
        QCOMPARE(ListedLines(t.Dlg()).size(), 2);
        QTest::keyClicks(field, "x");
        QVERIFY(ListedLines(t.Dlg()).isEmpty());

        // Choosing types the name in as the user's edit; Enter then connects.
        field->clear();
        QTest::keyClicks(field, "korv");
        Key(Qt::Key_Down);
        Key(Qt::Key_Return);
        QCOMPARE(field->text(), virtualDevice.name);
        QCOMPARE(t.Dlg().m_strComPort, field->text());
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Set COM port then click Connect."));
        Key(Qt::Key_Return);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
        QCOMPARE(t.Wire(15).size(), 15);
    }
};

QTEST_MAIN(TestPortList)
#include "test_port_list.moc"
