#pragma once

#include "ui/drawing_copy.h"

#include <QEvent>
#include <QHash>
#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <QString>
#include <functional>
#include <memory>

class Backdrop;
class QWidget;

// Drawings of controls by what they show. A control whose look follows from
// its text, the state its style is given, its size and its palette is painted
// once by its own paint into a drawing that is kept, over what lies beneath
// it; later paints of the same look are copies. The controls of one window
// share the drawings, which go with the last of them.
class KeptDrawings
{
public:
    // What lies beneath the controls; until it is given, drawings have the
    // window colour beneath them.
    void SetBackdrop(Backdrop *backdrop) { m_backdrop = backdrop; }
    // The drawing of `control`'s look; `ownPaint` paints the control's own
    // look onto the drawing it is given, once for each look.
    const QImage &Drawing(const QWidget &control, const QString &text, qint64 state,
                          const std::function<void(QPixmap &)> &ownPaint);
    // After a change of font or style every kept drawing is stale.
    void Forget() { m_drawings.clear(); }

private:
    struct Key
    {
        const QWidget *control;
        QString text;
        qint64 state;
        QSize size;
        qreal pixelRatio;
        qint64 palette;
        bool operator==(const Key &) const = default;
        friend size_t qHash(const Key &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.control, key.text, key.state, key.size.width(), key.size.height(),
                              key.pixelRatio, key.palette);
        }
    };

    Backdrop *m_backdrop = nullptr;
    QHash<Key, QImage> m_drawings;
};

// A control that can be painted from kept drawings. While a drawing is made,
// everything the control's own paint draws goes into the drawing.
template <typename Control>
class KeepsDrawings : public Control
{
public:
    using Control::Control;

    void KeepDrawings(std::shared_ptr<KeptDrawings> drawings) { m_drawings = std::move(drawings); }
    const std::shared_ptr<KeptDrawings> &Drawings() const { return m_drawings; }

protected:
    bool KeepsAny() const { return m_drawings != nullptr; }
    void PaintKept(QPaintEvent *event, const QString &text, qint64 state)
    {
        const QImage &drawing = m_drawings->Drawing(*this, text, state, [this, event](QPixmap &into) {
            m_drawingInto = &into;
            Control::paintEvent(event);
            m_drawingInto = nullptr;
        });
        QPoint offset;
        QPaintDevice *target = Control::redirected(&offset);
        PutDrawing(*this, target, offset, drawing, event->region());
    }

    QPaintDevice *redirected(QPoint *offset) const override
    {
        if (!m_drawingInto)
            return Control::redirected(offset);
        if (offset)
            *offset = QPoint();
        return m_drawingInto;
    }

    void changeEvent(QEvent *event) override
    {
        if (m_drawings && (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange))
            m_drawings->Forget();
        Control::changeEvent(event);
    }

private:
    std::shared_ptr<KeptDrawings> m_drawings;
    QPixmap *m_drawingInto = nullptr;
};
