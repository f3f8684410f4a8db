#include "res/resource.h"
#include "tester/pin_tester_dlg.h"
#include "ui/control_text.h"
#include "ui/frame_look.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const char *ExpectedClass(ControlKind kind)
{
    switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
        return "QPushButton";
    case ControlKind::Edit:
        return "QLineEdit";
    case ControlKind::Static:
        return "QLabel";
    case ControlKind::GroupBox:
        return "QGroupBox";
    case ControlKind::AutoCheckBox:
        return "QCheckBox";
    }
    return "";
}

QLineEdit *Edit(const CPinTesterDlg &dlg, int id)
{
    return qobject_cast<QLineEdit *>(dlg.GetDlgItem(id));
}

QString Caption(const CPinTesterDlg &dlg, int id)
{
    return qobject_cast<QPushButton *>(dlg.GetDlgItem(id))->text();
}

} // namespace

class TestDialog : public QObject
{
    Q_OBJECT
private slots:
    void templateIsRealisedControlByControl()
    {
        CPinTesterDlg dlg;
        const DialogTemplate &dialog = PinTesterDialogTemplate();
        QCOMPARE(dialog.controls.size(), 92u);
        const QList<QWidget *> children = dlg.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        QCOMPARE(children.size(), 92);

        const QFontMetricsF metrics(dlg.font());
        const double across = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52;
        const double down = metrics.height();
        QCOMPARE(dlg.size(), QSize(qRound(277 * across / 4), qRound(215 * down / 8)));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("KORVANE Pin Tester"));
        QVERIFY(!(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(dlg.windowFlags() & Qt::WindowCloseButtonHint);

        for (int i = 0; i < 92; ++i) {
            const ControlTemplate &control = dialog.controls[i];
            QWidget *widget = children[i];
            QCOMPARE(widget->metaObject()->className(), ExpectedClass(control.kind));
            if (control.id != IDC_STATIC)
                QCOMPARE(dlg.GetDlgItem(control.id), widget);
            if (control.kind != ControlKind::Edit)
                QCOMPARE(ControlText(widget), QString::fromLatin1(control.text));
            const QRect r = widget->geometry();
            QVERIFY(qAbs(r.x() - control.rect.x * across / 4) <= 1);
            QVERIFY(qAbs(r.y() - control.rect.y * down / 8) <= 1);
            QVERIFY(qAbs(r.width() - control.rect.width * across / 4) <= 1.5);
            QVERIFY(qAbs(r.height() - control.rect.height * down / 8) <= 1.5);
            QCOMPARE(widget->focusPolicy() == Qt::StrongFocus, HasStyle(control.styles, ControlStyle::TabStop));
        }
        QVERIFY(dlg.GetDlgItem(IDCANCEL)->isHidden());
        QVERIFY(qobject_cast<QPushButton *>(dlg.GetDlgItem(IDC_CONNECT))->isDefault());
        QVERIFY(Edit(dlg, IDC_INHEX_B)->isReadOnly());
        QVERIFY(!Edit(dlg, IDC_OUTHEX_B)->isReadOnly());
        QCOMPARE(Edit(dlg, IDC_DIRHEX_A)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    }

    void tabOrderIsTemplateOrderStartingAtOK()
    {
        CPinTesterDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(QApplication::focusWidget(), dlg.GetDlgItem(IDOK));
        QList<QWidget *> visited;
        for (int i = 0; i < 80; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(QApplication::focusWidget());
        }
        QList<QWidget *> expected;
        for (const ControlTemplate &control : PinTesterDialogTemplate().controls) {
            if (HasStyle(control.styles, ControlStyle::TabStop) && !HasStyle(control.styles, ControlStyle::Hidden))
                expected.append(dlg.GetDlgItem(control.id));
        }
        QCOMPARE(expected.size(), 62);
        expected.append(expected.takeFirst());
        QCOMPARE(visited.mid(0, expected.size()), expected);
    }

    void pinGrids()
    {
        QCOMPARE(StateButtonId(0, 0), 1026);
        for (int n = 1; n < 8; ++n)
            QCOMPARE(StateButtonId(0, n), 1029 + n);
        QCOMPARE(StateButtonId(1, 0), 1037);
        QCOMPARE(StateButtonId(2, 7), 1052);
        QCOMPARE(DirectionButtonId(1, 3), 1013);
        QCOMPARE(DirectionButtonId(2, 7), 1025);
    }

    void rowRefreshTouchesExactlyItsEightButtons()
    {
        CPinTesterDlg dlg;
        const QList<QPushButton *> buttons = dlg.findChildren<QPushButton *>();
        for (QPushButton *button : buttons)
            button->setText("x");
        dlg.m_portIn[0] = 0x81;
        dlg.RefreshStateRow(0);
        int touched = 0;
        for (QPushButton *button : buttons)
            touched += button->text() != "x";
        QCOMPARE(touched, 8);
        QCOMPARE(Caption(dlg, 1026), QStringLiteral("1"));
        QCOMPARE(Caption(dlg, 1030), QStringLiteral("0"));
        QCOMPARE(Caption(dlg, 1036), QStringLiteral("1"));
    }

    void threeLooksOfAStateButton()
    {
        CPinTesterDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QWidget *button = dlg.GetDlgItem(StateButtonId(1, 3));
        QCOMPARE(GetFrameLook(button), FrameLook::Sunken);
        const QImage sunken = button->grab().toImage();

        dlg.m_portOut[1] = 0x08;
        dlg.RefreshPinPair(DirectionButtonId(1, 3), StateButtonId(1, 3), 1, 3);
        QCOMPARE(GetFrameLook(button), FrameLook::Flat);
        QCOMPARE(Caption(dlg, StateButtonId(1, 3)), QStringLiteral("1"));
        const QImage flat = button->grab().toImage();

        dlg.m_portDir[1] = 0xF7;
        dlg.RefreshPinPair(DirectionButtonId(1, 3), StateButtonId(1, 3), 1, 3);
        QCOMPARE(GetFrameLook(button), FrameLook::Heavy);
        QCOMPARE(Caption(dlg, DirectionButtonId(1, 3)), QStringLiteral("O"));
        QCOMPARE(Caption(dlg, StateButtonId(1, 3)), QStringLiteral("1"));
        const QImage heavy = button->grab().toImage();
        QVERIFY(sunken != flat && flat != heavy && sunken != heavy);
        // The heavy border is at least three pixels of one colour at the edge.
        QCOMPARE(heavy.pixel(2, heavy.height() / 2), heavy.pixel(0, heavy.height() / 2));
    }

    void fieldExchange()
    {
        CPinTesterDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(Edit(dlg, IDC_DIRHEX_A)->text(), QStringLiteral("FF"));
        QCOMPARE(Edit(dlg, IDC_OUTHEX_C)->text(), QStringLiteral("00"));
        QCOMPARE(qobject_cast<QLabel *>(dlg.GetDlgItem(IDC_STATUS))->text(),
                 QStringLiteral("Set COM port then click Connect."));

        QLineEdit *port = Edit(dlg, IDC_COMPORT);
        port->setText("12345");
        port->setSelection(1, 2);
        dlg.m_strComPort = "12345";
        dlg.UpdateData(false);
        QCOMPARE(port->selectionStart(), 1);
        QCOMPARE(port->selectedText(), QStringLiteral("23"));
        dlg.m_strComPort = "7";
        dlg.UpdateData(false);
        QCOMPARE(port->text(), QStringLiteral("7"));

        // Upper-case fields: typed and written letters show as capitals and read back so.
        QLineEdit *dir = Edit(dlg, IDC_DIRHEX_B);
        dir->clear();
        QTest::keyClicks(dir, "a");
        QCOMPARE(dir->text(), QStringLiteral("A"));
        dlg.UpdateData(true);
        QCOMPARE(dlg.m_strDirB, QStringLiteral("A"));
        dlg.m_strOutA = "ff";
        dlg.UpdateData(false);
        QCOMPARE(Edit(dlg, IDC_OUTHEX_A)->text(), QStringLiteral("FF"));
        dlg.UpdateData(true);
        QCOMPARE(dlg.m_strOutA, QStringLiteral("FF"));
    }

    void enterAndEscape()
    {
        {
            CPinTesterDlg dlg;
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QVERIFY(!dlg.isVisible());
        }
        {
            CPinTesterDlg dlg;
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QSignalSpy connect(qobject_cast<QPushButton *>(dlg.GetDlgItem(IDC_CONNECT)), &QPushButton::clicked);
            dlg.GetDlgItem(IDC_COMPORT)->setFocus();
            QTest::keyClick(dlg.GetDlgItem(IDC_COMPORT), Qt::Key_Return);
            QCOMPARE(connect.count(), 1);
            QVERIFY(dlg.isVisible());
            QTest::keyClick(dlg.GetDlgItem(IDC_COMPORT), Qt::Key_Escape);
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
            QVERIFY(!dlg.isVisible());
        }
    }
};

QTEST_MAIN(TestDialog)
#include "test_dialog.moc"
