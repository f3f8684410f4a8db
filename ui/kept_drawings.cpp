#include "ui/kept_drawings.h"

#include "ui/backdrop.h"

#include <QPainter>
#include <QWidget>

namespace {

// Captions and two-digit texts in a few states make a few hundred drawings;
// the bound only guards against a stream of arbitrary texts.
constexpr qsizetype kMaxDrawings = 1024;

} // namespace

const QImage &KeptDrawings::Drawing(const QWidget &control, const QString &text, qint64 state,
                                    const std::function<void(QPixmap &)> &ownPaint)
{
    const qreal pixelRatio = control.devicePixelRatioF();
    const Key key{&control, text, state, control.size(), pixelRatio, control.palette().cacheKey()};
    if (const auto found = m_drawings.constFind(key); found != m_drawings.cend())
        return *found;
    if (m_drawings.size() >= kMaxDrawings)
        m_drawings.clear();
    QPixmap drawing(control.size() * pixelRatio);
    drawing.setDevicePixelRatio(pixelRatio);
    // An opaque drawing, so that text on it is rendered as on the window.
    drawing.fill(control.palette().color(QPalette::Window));
    if (m_backdrop) {
        QPainter beneath(&drawing);
        m_backdrop->DrawBeneath(beneath, &control);
    }
    ownPaint(drawing);
    return *m_drawings.insert(key, drawing.toImage());
}
