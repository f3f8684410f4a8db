#include "tester_fixture.h"
#include "ui/frame_look.h"

#include <QGroupBox>
#include <QThread>
#include <functional>

namespace {

// The widgets that get paint events while it lives; `onPaint`, when set,
// runs at the first paint of `first`.
class PaintWatch : public QObject
{
public:
    PaintWatch() { qApp->installEventFilter(this); }
    ~PaintWatch() override { qApp->removeEventFilter(this); }

    // Every widget painted since the last call, once pending paints are done.
    QSet<QObject *> Painted()
    {
        QTest::qWait(30);
        return std::exchange(m_painted, {});
    }

    QObject *first = nullptr;
    std::function<void()> onPaint;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        m_painted.insert(watched);
        if (watched == first && onPaint)
            std::exchange(onPaint, nullptr)();
        return false;
    }

private:
    QSet<QObject *> m_painted;
};

QSet<QObject *> WidgetsOf(const CPinTesterDlg &dlg, std::initializer_list<int> ids)
{
    QSet<QObject *> widgets;
    for (int id : ids)
        widgets.insert(dlg.GetDlgItem(id));
    return widgets;
}

} // namespace

class TestDrawing : public QObject
{
    Q_OBJECT
private slots:
    // Polls and clicks repaint the controls they change but never the group
    // boxes or the window beneath them; a poll that finds nothing new and a
    // refresh to the same look repaint nothing.
    void changesRepaintTheirControlsAlone()
    {
        TesterFixture t;
        CPinTesterDlg &dlg = t.Dlg();
        QSet<QObject *> beneath{&dlg};
        for (QGroupBox *box : dlg.findChildren<QGroupBox *>())
            beneath.insert(box);
        for (int P = 0; P < kPortCount; ++P)
            t.Device().SetInputs(P, 0x11);
        t.Connect(t.DevicePath());
        dlg.PollInputs();
        PaintWatch watch;
        watch.Painted();

        dlg.PollInputs();
        QCOMPARE(watch.Painted(), QSet<QObject *>());

        t.Device().SetInputs(1, 0x12);
        dlg.PollInputs();
        QCOMPARE(watch.Painted(), WidgetsOf(dlg, {StateButtonId(1, 0), StateButtonId(1, 1), IDC_INHEX_B}));

        t.Click(DirectionButtonId(2, 6));
        QSet<QObject *> painted = watch.Painted();
        QVERIFY(painted.contains(WidgetsOf(dlg, {DirectionButtonId(2, 6), StateButtonId(2, 6), IDC_DIRHEX_C})));
        QVERIFY(!painted.intersects(beneath));

        t.TypeOver(IDC_OUTHEX_A, "5a");
        painted = watch.Painted();
        QVERIFY(painted.contains(dlg.GetDlgItem(IDC_OUTHEX_A)));
        QVERIFY(!painted.intersects(beneath));

        dlg.RefreshPinPair(DirectionButtonId(2, 6), StateButtonId(2, 6), 2, 6);
        QCOMPARE(watch.Painted(), QSet<QObject *>());
    }

    // A direction click shows the state button's new look before the
    // commands leave: while it paints, the device has none of them, however
    // long it is given to read.
    void newLookIsPaintedBeforeTheCommandsGo()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        const int connectBytes = static_cast<int>(t.Wire(15).size());
        QWidget *state = t.Dlg().GetDlgItem(StateButtonId(0, 2));
        PaintWatch watch;
        watch.first = state;
        int receivedAtPaint = -1;
        watch.onPaint = [&] {
            QThread::msleep(50);
            receivedAtPaint = static_cast<int>(t.Device().Received().size());
        };
        t.Click(DirectionButtonId(0, 2));
        QCOMPARE(receivedAtPaint, connectBytes);
        QCOMPARE(GetFrameLook(state), FrameLook::Heavy);
        QCOMPARE(t.Wire(connectBytes + 9).size(), connectBytes + 9);
    }
};

QTEST_MAIN(TestDrawing)
#include "test_drawing.moc"
