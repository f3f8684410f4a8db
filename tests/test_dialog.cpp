#include "res/resource.h"
#include "tester/pin_tester_dlg.h"
#include "dialog_layer/control_text.h"
#include "dialog_layer/state_button.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

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
    // The window as the template describes it, checked against its facts in
    // dialog units (a quarter of the average letter width across, an eighth
    // of the font height down), not against the table it is built from.
    void layoutFacts()
    {
        CPinTesterDlg dlg;
        const QFontMetricsF metrics(dlg.font());
        const double across = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52 / 4;
        const double down = metrics.height() / 8;
        auto inUnits = [&](const QRect &r) {
            return QRect(qRound(r.x() / across), qRound(r.y() / down), qRound(r.width() / across),
                         qRound(r.height() / down));
        };
        QCOMPARE(inUnits(dlg.rect()).size(), QSize(277, 215));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("KORVANE Pin Tester"));
        QVERIFY(!(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

        std::vector<std::pair<int, QRect>> facts = {
            {IDOK, {215, 195, 50, 14}},           {IDC_COMPORT, {50, 5, 30, 10}},
            {IDC_CONNECT, {85, 5, 55, 10}},       {IDC_POLL_ONCE, {165, 5, 45, 10}},
            {IDC_CONTINUOUS, {215, 5, 50, 10}},   {IDC_STATUS, {15, 200, 180, 10}}};
        for (int P = 0; P < 3; ++P) {
            facts.push_back({IDC_DIRHEX_A + P, {220, 45 + 20 * P, 25, 10}});
            facts.push_back({IDC_INHEX_A + P, {205, 135 + 20 * P, 25, 10}});
            facts.push_back({IDC_OUTHEX_A + P, {235, 135 + 20 * P, 25, 10}});
            for (int n = 0; n < 8; ++n) {
                facts.push_back({DirectionButtonId(P, n), {45 + 20 * n, 40 + 20 * P, 15, 15}});
                facts.push_back({StateButtonId(P, n), {45 + 20 * n, 130 + 20 * P, 15, 15}});
            }
        }
        for (const auto &[id, rect] : facts)
            QVERIFY2(inUnits(dlg.GetDlgItem(id)->geometry()) == rect, qPrintable(QString::number(id)));
        QCOMPARE(QList<int>({StateButtonId(0, 0), StateButtonId(0, 1), StateButtonId(2, 7)}), QList<int>({1026, 1030, 1052}));

        // No two visible controls overlap, and each lies within the window;
        // a group box only frames the controls inside it.
        QList<QWidget *> visible;
        for (QWidget *child : dlg.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (!child->isHidden() && !child->inherits("QGroupBox"))
                visible.append(child);
            QVERIFY(dlg.rect().contains(child->geometry()));
        }
        QCOMPARE(visible.size(), 89);
        for (qsizetype i = 0; i < visible.size(); ++i) {
            for (qsizetype j = i + 1; j < visible.size(); ++j)
                QVERIFY2(!visible[i]->geometry().intersects(visible[j]->geometry()),
                         qPrintable(ControlText(visible[i]) + " / " + ControlText(visible[j])));
        }
        QVERIFY(dlg.GetDlgItem(IDCANCEL)->isHidden());
        QVERIFY(qobject_cast<QPushButton *>(dlg.GetDlgItem(IDC_CONNECT))->isDefault());
        QVERIFY(qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_INHEX_B))->isReadOnly()
                && !qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_OUTHEX_B))->isReadOnly());
        QCOMPARE(Text(dlg, IDC_CONTINUOUS) + Text(dlg, DirectionButtonId(2, 7)) + Text(dlg, StateButtonId(2, 7)),
                 "ContinousIO");
    }

    void tabOrderStartsAtOKAndFollowsTheRows()
    {
        CPinTesterDlg dlg;
        Show(dlg);
        QList<int> order = {IDOK, IDC_COMPORT, IDC_CONNECT};
        for (int pin = 0; pin < 24; ++pin)
            order.append(DirectionButtonId(pin / 8, pin % 8));
        order += {IDC_DIRHEX_A, IDC_DIRHEX_B, IDC_DIRHEX_C};
        for (int pin = 0; pin < 24; ++pin)
            order.append(StateButtonId(pin / 8, pin % 8));
        order += {IDC_INHEX_A, IDC_INHEX_B, IDC_INHEX_C, IDC_OUTHEX_A, IDC_OUTHEX_B, IDC_OUTHEX_C, IDC_CONTINUOUS,
                  IDC_POLL_ONCE, IDOK};
        for (int id : order) {
            QCOMPARE(QApplication::focusWidget(), dlg.GetDlgItem(id));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }

    void rowRefreshAndTheThreeLooks()
    {
        CPinTesterDlg dlg;
        Show(dlg);
        // A row refresh touches exactly the eight state buttons of its port.
        for (QPushButton *button : dlg.findChildren<QPushButton *>())
            button->setText("x");
        dlg.m_portIn[0] = 0x81;
        dlg.RefreshStateRow(0);
        int touched = 0;
        for (QPushButton *button : dlg.findChildren<QPushButton *>())
            touched += button->text() != "x";
        QString row;
        for (int n = 0; n < 8; ++n)
            row += Text(dlg, StateButtonId(0, n));
        QCOMPARE(row + QString::number(touched), "100000018");

        auto *button = qobject_cast<StateButton *>(dlg.GetDlgItem(StateButtonId(1, 3)));
        QVERIFY(button);
        QCOMPARE(button->look(), StateButton::Look::Sunken);
        const QImage sunken = button->grab().toImage();
        dlg.RefreshPinPair(DirectionButtonId(1, 3), StateButtonId(1, 3), 1, 3);
        QCOMPARE(button->look(), StateButton::Look::Flat);
        const QImage flat = button->grab().toImage();
        dlg.m_portDir[1] = 0xF7;
        dlg.RefreshPinPair(DirectionButtonId(1, 3), StateButtonId(1, 3), 1, 3);
        QCOMPARE(button->look(), StateButton::Look::Heavy);
        QCOMPARE(Text(dlg, DirectionButtonId(1, 3)), QStringLiteral("O"));
        const QImage heavy = button->grab().toImage();
        QVERIFY(sunken != flat && flat != heavy && sunken != heavy);
        // The heavy border is three pixels of one colour.
        QCOMPARE(heavy.pixel(2, heavy.height() / 2), heavy.pixel(0, heavy.height() / 2));
    }

    // The start texts; Enter on the focused OK ends the dialog, Enter in an
    // edit runs the default button, Connect.
    void startAndEnter()
    {
        CPinTesterDlg first;
        Show(first);
        QCOMPARE(Text(first, IDC_DIRHEX_A) + Text(first, IDC_INHEX_B) + Text(first, IDC_OUTHEX_C) + Text(first, IDC_STATUS),
                 "FFFF00Set COM port then click Connect.");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(first.result() == QDialog::Accepted && !first.isVisible());

        CPinTesterDlg second;
        Show(second);
        QSignalSpy connect(qobject_cast<QPushButton *>(second.GetDlgItem(IDC_CONNECT)), &QPushButton::clicked);
        second.GetDlgItem(IDC_COMPORT)->setFocus();
        QTest::keyClick(second.GetDlgItem(IDC_COMPORT), Qt::Key_Return);
        QVERIFY(connect.count() == 1 && second.isVisible());
    }
};

QTEST_MAIN(TestDialog)
#include "test_dialog.moc"
