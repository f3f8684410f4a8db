#include "tester_fixture.h"
#include "dialog_layer/state_button.h"

#include <QThread>
#include <functional>

namespace {

// Runs `onPaint` at the first paint of `watched` while it lives.
class FirstPaint : public QObject
{
public:
    FirstPaint(QObject *watched, std::function<void()> onPaint) : m_watched(watched), m_onPaint(std::move(onPaint))
    {
        qApp->installEventFilter(this);
    }
    ~FirstPaint() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_watched && event->type() == QEvent::Paint && m_onPaint)
            std::exchange(m_onPaint, nullptr)();
        return false;
    }

private:
    QObject *m_watched;
    std::function<void()> m_onPaint;
};

// Whether the colour shows within `columns` of the image.
bool Contains(const QImage &image, const QColor &colour, int columns = -1)
{
    const int width = columns < 0 ? image.width() : columns;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < width; ++x) {
            if (image.pixel(x, y) == colour.rgb())
                return true;
        }
    }
    return false;
}

} // namespace

class TestDrawing : public QObject
{
    Q_OBJECT
private slots:
    // A state button's border, background and caption as they show, in the
    // colours of a light and a dark palette.
    void stateButtonLooks_data()
    {
        QTest::addColumn<StateButton::Look>("look");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QPalette::ColorRole>("edge");
        QTest::addColumn<QPalette::ColorRole>("inside");
        using L = StateButton::Look;
        using R = QPalette::ColorRole;
        QTest::newRow("sunken") << L::Sunken << false << "" << R::Dark << R::Button;
        QTest::newRow("flat") << L::Flat << false << "" << R::Button << R::Button;
        QTest::newRow("heavy") << L::Heavy << false << "" << R::WindowText << R::Button;
        QTest::newRow("heavy, dark") << L::Heavy << true << "" << R::WindowText << R::Button;
        QTest::newRow("flat, marked") << L::Flat << false << "mark" << R::Button << R::Button;
        QTest::newRow("heavy, marked, dark") << L::Heavy << true << "mark" << R::WindowText << R::Button;
        QTest::newRow("sunken, focused") << L::Sunken << false << "focus" << R::Highlight << R::Button;
        QTest::newRow("flat, focused, dark") << L::Flat << true << "focus" << R::Highlight << R::Button;
        QTest::newRow("heavy, focused") << L::Heavy << false << "focus" << R::Highlight << R::Button;
        QTest::newRow("heavy, pressed") << L::Heavy << false << "press" << R::WindowText << R::Mid;
        QTest::newRow("heavy, disabled") << L::Heavy << false << "disable" << R::WindowText << R::Button;
    }
    void stateButtonLooks()
    {
        QFETCH(StateButton::Look, look);
        QFETCH(bool, dark);
        QFETCH(QString, gesture);
        QFETCH(QPalette::ColorRole, edge);
        QFETCH(QPalette::ColorRole, inside);
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
        QVERIFY(Contains(image, palette.color(group, edge), 1));
        QCOMPARE(image.pixel(5, 5), palette.color(group, inside).rgb());
        if (look == StateButton::Look::Heavy)
            QCOMPARE(image.pixel(2, 12), palette.color(group, edge).rgb());
        const QColor caption = gesture == "mark" ? (dark ? QColor(255, 110, 110) : QColor(Qt::red))
                                                 : palette.color(group, QPalette::ButtonText);
        QVERIFY2(Contains(image, caption), qPrintable(caption.name()));
    }

    // A direction click shows the state button's new look before the
    // commands leave: while it paints, the device has none of them, however
    // long it is given to read.
    void newLookIsPaintedBeforeTheCommandsGo()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        const int connectBytes = static_cast<int>(t.Wire(15).size());
        auto *state = qobject_cast<StateButton *>(t.Dlg().GetDlgItem(StateButtonId(0, 2)));
        QVERIFY(state);
        int receivedAtPaint = -1;
        const FirstPaint paint(state, [&] {
            QThread::msleep(50);
            receivedAtPaint = static_cast<int>(t.Device().Received().size());
        });
        t.Click(DirectionButtonId(0, 2));
        QCOMPARE(receivedAtPaint, connectBytes);
        QCOMPARE(state->look(), StateButton::Look::Heavy);
        QCOMPARE(t.Wire(connectBytes + 9).size(), connectBytes + 9);
    }
};

QTEST_MAIN(TestDrawing)
#include "test_drawing.moc"
