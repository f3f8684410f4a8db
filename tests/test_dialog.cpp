// The window's layout, focus, keys and drawing: what only the window shows.

#include "tester_fixture.h"
#include "dialog_layer/state_button.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QThread>
#include <functional>

// Runs `onPaint` at the first paint of the widget it filters.
struct FirstPaint : QObject
{
    std::function<void()> onPaint;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && onPaint)
            std::exchange(onPaint, nullptr)();
        return false;
    }
};

class TestDialog : public QObject
{
    Q_OBJECT
private slots:
    // The window's facts in dialog units (a quarter of the average letter width
    // across, an eighth of the font height down), not the table it is built from.
    void layoutFacts()
    {
        TesterFixture t;
        CPinTesterDlg &dlg = t.Dlg();
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
            {IDOK, {215, 195, 50, 14}}, {IDC_COMPORT, {50, 5, 30, 10}}, {IDC_CONNECT, {85, 5, 55, 10}},
            {IDC_POLL_ONCE, {165, 5, 45, 10}}, {IDC_CONTINUOUS, {215, 5, 50, 10}}, {IDC_STATUS, {15, 200, 180, 10}}};
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
        QVERIFY(qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_INHEX_B))->isReadOnly()
                && !qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_OUTHEX_B))->isReadOnly());
        QCOMPARE(t.Text(IDC_CONTINUOUS) + t.Text(DirectionButtonId(2, 7)) + t.Text(StateButtonId(2, 7)), "ContinousIO");
    }

    // The start texts; Tab goes from OK along the rows and round again; Enter in an
    // edit clicks Connect, on the focused OK it ends the dialog.
    void startTabAndEnter()
    {
        TesterFixture t;
        QCOMPARE(t.Text(IDC_DIRHEX_A) + t.Text(IDC_INHEX_B) + t.Text(IDC_OUTHEX_C) + t.Text(IDC_STATUS),
                 "FFFF00Set COM port then click Connect.");
        QList<int> order = {IDOK, IDC_COMPORT, IDC_CONNECT}, states;
        for (int pin = 0; pin < 24; ++pin) {
            order += DirectionButtonId(pin / 8, pin % 8);
            states += StateButtonId(pin / 8, pin % 8);
        }
        order += QList{IDC_DIRHEX_A, IDC_DIRHEX_B, IDC_DIRHEX_C} + states
            + QList{IDC_INHEX_A, IDC_INHEX_B, IDC_INHEX_C, IDC_OUTHEX_A, IDC_OUTHEX_B, IDC_OUTHEX_C, IDC_CONTINUOUS,
                    IDC_POLL_ONCE, IDOK};
        for (int id : order) {
            QCOMPARE(QApplication::focusWidget(), t.Dlg().GetDlgItem(id));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QSignalSpy connect(qobject_cast<QPushButton *>(t.Dlg().GetDlgItem(IDC_CONNECT)), &QPushButton::clicked);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(connect.count() == 1 && t.Dlg().isVisible());
        t.Dlg().GetDlgItem(IDOK)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(t.Dlg().result() == QDialog::Accepted && !t.Dlg().isVisible());
    }

    // A state button's border, background (mid-tone while pressed) and caption in a light and a dark palette.
    void stateButtonLooks_data()
    {
        QTest::addColumn<StateButton::Look>("look");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QPalette::ColorRole>("edge");
        using L = StateButton::Look;
        using R = QPalette::ColorRole;
        QTest::newRow("sunken") << L::Sunken << false << "" << R::Dark;
        QTest::newRow("flat") << L::Flat << false << "" << R::Button;
        QTest::newRow("heavy") << L::Heavy << false << "" << R::WindowText;
        QTest::newRow("heavy, dark") << L::Heavy << true << "" << R::WindowText;
        QTest::newRow("flat, marked") << L::Flat << false << "mark" << R::Button;
        QTest::newRow("heavy, marked, dark") << L::Heavy << true << "mark" << R::WindowText;
        QTest::newRow("sunken, focused") << L::Sunken << false << "focus" << R::Highlight;
        QTest::newRow("flat, focused, dark") << L::Flat << true << "focus" << R::Highlight;
        QTest::newRow("heavy, focused") << L::Heavy << false << "focus" << R::Highlight;
        QTest::newRow("heavy, pressed") << L::Heavy << false << "press" << R::WindowText;
        QTest::newRow("heavy, disabled") << L::Heavy << false << "disable" << R::WindowText;
    }
    void stateButtonLooks()
    {
        QFETCH(StateButton::Look, look);
        QFETCH(bool, dark);
        QFETCH(QString, gesture);
        QFETCH(QPalette::ColorRole, edge);
        QWidget window;
        if (dark) {
            QPalette darkPalette(QColor(53, 53, 53));
            darkPalette.setColor(QPalette::WindowText, Qt::white);
            darkPalette.setColor(QPalette::ButtonText, Qt::white);
            darkPalette.setColor(QPalette::Highlight, QColor(42, 130, 218));
            window.setPalette(darkPalette);
        }
        auto *button = new StateButton(QStringLiteral("1"), &window);
        button->setGeometry(10, 10, 24, 24);
        auto *other = new StateButton(QStringLiteral("0"), &window);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        button->setLook(look);
        button->setMarked(gesture == "mark");
        button->setEnabled(gesture != "disable");
        (gesture == "focus" ? button : other)->setFocus();
        button->setDown(gesture == "press");

        const QImage image = button->grab().toImage();
        const QPalette palette = button->palette();
        const QPalette::ColorGroup group = gesture == "disable" ? QPalette::Disabled : QPalette::Active;
        const auto is = [](const QColor &colour) { return [=](const QColor &c) { return c.rgb() == colour.rgb(); }; };
        QVERIFY(Shows(image, is(palette.color(group, edge)), 1));
        QCOMPARE(image.pixel(5, 5), palette.color(group, gesture == "press" ? QPalette::Mid : QPalette::Button).rgb());
        if (look == StateButton::Look::Heavy)
            QCOMPARE(image.pixel(2, 12), palette.color(group, edge).rgb());
        const QColor caption = gesture == "mark" ? (dark ? QColor(255, 110, 110) : QColor(Qt::red))
                                                 : palette.color(group, QPalette::ButtonText);
        QVERIFY2(Shows(image, is(caption)), qPrintable(caption.name()));
    }

    // A direction click paints the new look before the commands leave: while it
    // paints, the device has none of them, however long it is given to read.
    void newLookIsPaintedBeforeTheCommandsGo()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        const int connectBytes = static_cast<int>(t.Wire(15).size());
        auto *state = qobject_cast<StateButton *>(t.Dlg().GetDlgItem(StateButtonId(0, 2)));
        int receivedAtPaint = -1;
        FirstPaint paint;
        paint.onPaint = [&] {
            QThread::msleep(50);
            receivedAtPaint = static_cast<int>(t.Device().Received().size());
        };
        state->installEventFilter(&paint);
        t.Click(DirectionButtonId(0, 2));
        QCOMPARE(receivedAtPaint, connectBytes);
        QCOMPARE(state->look(), StateButton::Look::Heavy);
        QCOMPARE(t.Wire(connectBytes + 9).size(), connectBytes + 9);
    }
};

QTEST_MAIN(TestDialog)
#include "test_dialog.moc"
