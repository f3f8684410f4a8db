#pragma once

#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QProxyStyle>

class QWidget;
class Backdrop;

// Draws each edit's panel, the dearest part of its paint, from a kept
// picture of that panel over what lies beneath the edit: one picture per
// edit, size and state.
class PanelStyle : public QProxyStyle
{
public:
    explicit PanelStyle(Backdrop &backdrop);

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;
    void Forget() { m_panels.clear(); }

private:
    struct Key
    {
        const QWidget *edit;
        int state;
        QSize size;
        bool operator==(const Key &) const = default;
        friend size_t qHash(const Key &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.edit, key.state, key.size.width(), key.size.height());
        }
    };

    Backdrop &m_backdrop;
    mutable QHash<Key, QPixmap> m_panels;
};

// What a window paints beneath its controls, its background and its group
// boxes, kept as one picture. A control given this backdrop counts as opaque,
// so a change to it repaints it alone and not the group box beneath: an edit
// draws its part of the picture beneath its panel, and other controls draw
// it beneath themselves (kept drawings do). Made after the controls, it is
// destroyed after them.
class Backdrop : public QObject
{
public:
    explicit Backdrop(QWidget &window);

    void PaintBeneath(QWidget *control);
    // Draws the part of the picture beneath `control` with its top left at the painter's origin.
    void DrawBeneath(QPainter &painter, const QWidget *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const QPixmap &Picture();

    QWidget &m_window;
    QPixmap m_picture;
    PanelStyle m_panelStyle;
};
