#include "dialog_layer/window_centring.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

// Keeps the frame centred until the frame a window manager draws is known: a
// window manager reports it only after the window is shown, and the window
// then moves.
class FrameCentring : public QObject
{
public:
    explicit FrameCentring(QWidget &window) : QObject(&window), m_window(window)
    {
        Centre();
        window.installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Move && FrameMargins() != m_margins) {
            Centre();
            deleteLater();
        }
        return false;
    }

private:
    QMargins FrameMargins() const
    {
        const QWindow *handle = m_window.windowHandle();
        return handle ? handle->frameMargins() : QMargins();
    }

    void Centre()
    {
        m_margins = FrameMargins();
        const QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
        const QRect area = (screen ? screen : QGuiApplication::primaryScreen())->availableGeometry();
        const QSize frame = m_window.size().grownBy(m_margins);
        // A window's position is that of its frame.
        m_window.move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
    }

    QWidget &m_window;
    QMargins m_margins;
};

} // namespace

void CentreOnPointerScreen(QWidget &window)
{
    new FrameCentring(window);
}
