#include "res/resource.h"
#include "tester/pin_tester_dlg.h"
#include "ui/control_text.h"
#include "ui/frame_look.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const char *ExpectedClass(ControlKind kind)
{
    static const char *const names[] = {"QPushButton", "QPushButton", "QLineEdit", "QLabel", "QGroupBox", "QCheckBox"};
    return names[static_cast<int>(kind)];
}

QLineEdit *Edit(const CPinTesterDlg &dlg, int id)
{
    return qobject_cast<QLineEdit *>(dlg.GetDlgItem(id));
}

QString Text(const CPinTesterDlg &dlg, int id)
{
    return ControlText(dlg.GetDlgItem(id));
}

void Show(CPinTesterDlg &dlg)
{
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
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
        const QList<QWidget *> children = dlg.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        QCOMPARE(children.size(), 92);
        QCOMPARE(dialog.controls.size(), 92u);

        const QFontMetricsF metrics(dlg.font());
        const double across = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52;
        const double down = metrics.height();
        QCOMPARE(dlg.size(), QSize(qRound(277 * across / 4), qRound(215 * down / 8)));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("KORVANE Pin Tester"));
        QVERIFY(!(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

        for (int i = 0; i < 92; ++i) {
            const ControlTemplate &control = dialog.controls[i];
            QWidget *widget = children[i];
            QVERIFY(widget->inherits(ExpectedClass(control.kind)));
            QVERIFY(control.id == IDC_STATIC || dlg.GetDlgItem(control.id) == widget);
            QVERIFY(control.kind == ControlKind::Edit || ControlText(widget) == control.text);
            const QRectF expected(control.rect.x * across / 4, control.rect.y * down / 8,
                                  control.rect.width * across / 4, control.rect.height * down / 8);
            QVERIFY(qAbs(widget->x() - expected.x()) <= 1 && qAbs(widget->y() - expected.y()) <= 1);
            QVERIFY(qAbs(widget->width() - expected.width()) <= 1.5);
            QVERIFY(qAbs(widget->height() - expected.height()) <= 1.5);
            QCOMPARE(widget->focusPolicy() == Qt::StrongFocus, HasStyle(control.styles, ControlStyle::TabStop));
        }
        // The table agrees with the pin grids: A0's state button is 1026, A1-A7 are 1030-1036.
        for (int P = 0; P < 3; ++P) {
            for (int n = 0; n < 8; ++n) {
                QCOMPARE(dialog.controls[5 + 8 * P + n].id, DirectionButtonId(P, n));
                QCOMPARE(dialog.controls[44 + 8 * P + n].id, StateButtonId(P, n));
                QCOMPARE(dialog.controls[44 + 8 * P + n].rect.x, 45 + 20 * n);
                QCOMPARE(dialog.controls[44 + 8 * P + n].rect.y, 130 + 20 * P);
            }
        }
        QCOMPARE(StateButtonId(0, 0), 1026);
        QCOMPARE(StateButtonId(0, 1), 1030);
        QVERIFY(dlg.GetDlgItem(IDCANCEL)->isHidden());
        QVERIFY(qobject_cast<QPushButton *>(dlg.GetDlgItem(IDC_CONNECT))->isDefault());
        QVERIFY(Edit(dlg, IDC_INHEX_B)->isReadOnly() && !Edit(dlg, IDC_OUTHEX_B)->isReadOnly());
    }

    void tabOrderIsTemplateOrderStartingAtOK()
    {
        CPinTesterDlg dlg;
        Show(dlg);
        QList<QWidget *> expected;
        for (const ControlTemplate &control : PinTesterDialogTemplate().controls) {
            if (HasStyle(control.styles, ControlStyle::TabStop) && !HasStyle(control.styles, ControlStyle::Hidden))
                expected.append(dlg.GetDlgItem(control.id));
        }
        QCOMPARE(expected.size(), 62);
        for (QWidget *next : expected) {
            QCOMPARE(QApplication::focusWidget(), next);
            QTest::keyClick(next, Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget(), dlg.GetDlgItem(IDOK));
    }

    void rowRefreshAndTheThreeLooks()
    {
        CPinTesterDlg dlg;
        Show(dlg);
        for (QPushButton *button : dlg.findChildren<QPushButton *>())
            button->setText("x");
        dlg.m_portIn[0] = 0x81;
        dlg.RefreshStateRow(0);
        QSet<QWidget *> touched;
        for (QPushButton *button : dlg.findChildren<QPushButton *>()) {
            if (button->text() != "x")
                touched.insert(button);
        }
        QSet<QWidget *> rowA{dlg.GetDlgItem(1026)};
        for (int id = 1030; id <= 1036; ++id)
            rowA.insert(dlg.GetDlgItem(id));
        QCOMPARE(touched, rowA);
        QCOMPARE(Text(dlg, 1026) + Text(dlg, 1030) + Text(dlg, 1036), "101");

        QWidget *button = dlg.GetDlgItem(StateButtonId(1, 3));
        QCOMPARE(GetFrameLook(button), FrameLook::Sunken);
        const QImage sunken = button->grab().toImage();
        dlg.RefreshPinPair(DirectionButtonId(1, 3), StateButtonId(1, 3), 1, 3);
        QCOMPARE(GetFrameLook(button), FrameLook::Flat);
        const QImage flat = button->grab().toImage();
        dlg.m_portDir[1] = 0xF7;
        dlg.RefreshPinPair(DirectionButtonId(1, 3), StateButtonId(1, 3), 1, 3);
        QCOMPARE(GetFrameLook(button), FrameLook::Heavy);
        QCOMPARE(Text(dlg, DirectionButtonId(1, 3)), QStringLiteral("O"));
        const QImage heavy = button->grab().toImage();
        QVERIFY(sunken != flat && flat != heavy && sunken != heavy);
        // The heavy border is three pixels of one colour.
        QCOMPARE(heavy.pixel(2, heavy.height() / 2), heavy.pixel(0, heavy.height() / 2));
    }

    void fieldExchange()
    {
        CPinTesterDlg dlg;
        Show(dlg);
        QCOMPARE(Text(dlg, IDC_DIRHEX_A) + Text(dlg, IDC_OUTHEX_C) + Text(dlg, IDC_STATUS),
                 "FF00Set COM port then click Connect.");
        // An equal text is left alone and keeps its selection; a different one is replaced.
        QLineEdit *port = Edit(dlg, IDC_COMPORT);
        port->setText("12345");
        port->setSelection(1, 2);
        dlg.m_strComPort = "12345";
        dlg.UpdateData(false);
        QCOMPARE(port->selectedText(), QStringLiteral("23"));
        dlg.m_strComPort = "7";
        dlg.UpdateData(false);
        QCOMPARE(port->text(), QStringLiteral("7"));

        // Upper-case fields: typed and written letters show as capitals and read back so.
        Edit(dlg, IDC_DIRHEX_B)->clear();
        QTest::keyClicks(Edit(dlg, IDC_DIRHEX_B), "a");
        dlg.UpdateData(true);
        QCOMPARE(dlg.m_strDirB, QStringLiteral("A"));
        dlg.m_strOutA = "ff";
        dlg.UpdateData(false);
        QCOMPARE(Text(dlg, IDC_OUTHEX_A), QStringLiteral("FF"));
        dlg.UpdateData(true);
        QCOMPARE(dlg.m_strOutA, QStringLiteral("FF"));
    }

    void enterAndEscape()
    {
        CPinTesterDlg first;
        Show(first);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(first.result() == QDialog::Accepted && !first.isVisible());

        CPinTesterDlg second;
        Show(second);
        QSignalSpy connect(qobject_cast<QPushButton *>(second.GetDlgItem(IDC_CONNECT)), &QPushButton::clicked);
        second.GetDlgItem(IDC_COMPORT)->setFocus();
        QTest::keyClick(second.GetDlgItem(IDC_COMPORT), Qt::Key_Return);
        QVERIFY(connect.count() == 1 && second.isVisible());
        QTest::keyClick(second.GetDlgItem(IDC_COMPORT), Qt::Key_Escape);
        QVERIFY(second.result() == QDialog::Rejected && !second.isVisible());
    }
};

QTEST_MAIN(TestDialog)
#include "test_dialog.moc"
