#include "tester_fixture.h"
#include "ui/field_edit.h"
#include "ui/frame_look.h"

#include <QGroupBox>
#include <QScreen>
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

// The window as it shows now (its backing store, where kept drawings are
// copied in), painted from its kept drawings, and painted from drawings all
// made anew by the controls' own paint.
struct Looks
{
    QImage shown, kept, made;
};

Looks LooksOf(CPinTesterDlg &dlg)
{
    auto rgb = [](const QPixmap &pixmap) { return pixmap.toImage().convertToFormat(QImage::Format_RGB32); };
    dlg.UpdateWindow();
    const QImage shown = rgb(dlg.screen()->grabWindow(dlg.winId()));
    const QImage kept = rgb(dlg.grab());
    dlg.findChild<FieldEdit *>()->Drawings()->Forget();
    return {shown, kept, rgb(dlg.grab())};
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

    // A control painted from a kept drawing looks exactly as a drawing made
    // anew would, on the screen and in a grab, through looks new and seen
    // before: values, captions, focus and selection.
    void keptDrawingsAreNeverStale()
    {
        CPinTesterDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        auto show = [&dlg](std::uint8_t a, std::uint8_t b) {
            dlg.m_portIn[0] = a;
            dlg.m_portIn[1] = b;
            dlg.RefreshStateRow(0);
            dlg.RefreshStateRow(1);
            dlg.ShowInHex();
        };
        auto *inputA = qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_INHEX_A));
        QWidget *direction = dlg.GetDlgItem(DirectionButtonId(0, 2));
        const std::function<void()> steps[] = {
            [] {},
            [&] { show(0x5A, 0xC3); },
            [&] { qobject_cast<QAbstractButton *>(direction)->click(); },
            [&] { show(0x00, 0x12); },
            [&] { show(0x5A, 0xC3); },
            [&] { inputA->setFocus(); },
            [&] { inputA->selectAll(); },
            [&] { direction->setFocus(); },
        };
        for (const std::function<void()> &step : steps) {
            step();
            const Looks looks = LooksOf(dlg);
            QCOMPARE(looks.kept, looks.made);
            QCOMPARE(looks.shown, looks.made);
        }
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
