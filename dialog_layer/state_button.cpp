#include "dialog_layer/state_button.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

StateButton::StateButton(const QString &text, QWidget *parent) : QPushButton(text, parent)
{
    // A filled background makes the button opaque, so a change repaints it
    // alone. (Styles clear Qt::WA_OpaquePaintEvent when they polish a widget;
    // the fill stays.)
    setAutoFillBackground(true);
}

void StateButton::setLook(Look look)
{
    if (look == m_look)
        return;
    m_look = look;
    update();
}

void StateButton::setMarked(bool marked)
{
    if (marked == m_marked)
        return;
    m_marked = marked;
    update();
}

void StateButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &colours = palette();
    QRect inside = rect();
    painter.fillRect(inside, colours.color(isDown() ? QPalette::Mid : QPalette::Button));

    // Focus shows in the highlight colour: the heavy frame itself, or a
    // dotted edge on the other looks.
    const bool focus = hasFocus();
    switch (m_look) {
    case Look::Heavy: {
        const QColor frame = colours.color(focus ? QPalette::Highlight : QPalette::WindowText);
        constexpr int kWidth = 3;
        painter.fillRect(inside.x(), inside.y(), inside.width(), kWidth, frame);
        painter.fillRect(inside.x(), inside.bottom() - kWidth + 1, inside.width(), kWidth, frame);
        painter.fillRect(inside.x(), inside.y(), kWidth, inside.height(), frame);
        painter.fillRect(inside.right() - kWidth + 1, inside.y(), kWidth, inside.height(), frame);
        inside.adjust(kWidth, kWidth, -kWidth, -kWidth);
        break;
    }
    case Look::Sunken:
    case Look::Flat:
        if (focus) {
            painter.setPen(QPen(colours.color(QPalette::Highlight), 1, Qt::DotLine));
            painter.drawRect(inside.adjusted(0, 0, -1, -1));
        } else if (m_look == Look::Sunken) {
            // Edges one pixel wide are filled, not stroked: a fill costs a
            // fraction of a line, and polling repaints buttons at every change.
            const QColor light = colours.color(QPalette::Light);
            const QColor dark = colours.color(QPalette::Dark);
            painter.fillRect(inside.x(), inside.bottom(), inside.width(), 1, light);
            painter.fillRect(inside.right(), inside.y(), 1, inside.height(), light);
            painter.fillRect(inside.x(), inside.y(), inside.width(), 1, dark);
            painter.fillRect(inside.x(), inside.y(), 1, inside.height(), dark);
        }
        if (m_look == Look::Sunken || focus)
            inside.adjust(1, 1, -1, -1);
        break;
    }

    QPalette caption = colours;
    if (m_marked) {
        // Red, lightened where the buttons are dark so that it stays readable.
        const bool dark = colours.color(QPalette::Button).lightness() < 128;
        caption.setColor(QPalette::ButtonText, dark ? QColor(255, 110, 110) : QColor(Qt::red));
    }
    style()->drawItemText(&painter, inside, Qt::AlignCenter | Qt::TextShowMnemonic, caption, isEnabled(), text(),
                          QPalette::ButtonText);

    // The style's own focus frame too, as other buttons show it when the
    // keyboard moved the focus.
    if (focus) {
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect = inside;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
    }
}
