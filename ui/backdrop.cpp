#include "ui/backdrop.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionFrame>
#include <QWidget>

PanelStyle::PanelStyle(Backdrop &backdrop)
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name())), m_backdrop(backdrop)
{
}

void PanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                               const QWidget *widget) const
{
    if (element != PE_PanelLineEdit || !widget) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const Key key{widget, static_cast<int>(option->state), option->rect.size()};
    auto panel = m_panels.constFind(key);
    if (panel == m_panels.cend()) {
        const qreal pixelRatio = widget->devicePixelRatioF();
        QPixmap picture(option->rect.size() * pixelRatio);
        picture.setDevicePixelRatio(pixelRatio);
        QPainter panelPainter(&picture);
        panelPainter.translate(-option->rect.topLeft());
        m_backdrop.DrawBeneath(panelPainter, widget);
        QProxyStyle::drawPrimitive(element, option, &panelPainter, widget);
        panelPainter.end();
        panel = m_panels.insert(key, picture);
    }
    painter->drawPixmap(option->rect.topLeft(), *panel);
}

Backdrop::Backdrop(QWidget &window) : QObject(&window), m_window(window), m_panelStyle(*this)
{
    window.installEventFilter(this);
}

// A style may clear the opaque attribute when it polishes a control (Fusion
// does for buttons), so the control is polished first and the attribute is
// set again after each change of style.
void Backdrop::PaintBeneath(QWidget *control)
{
    if (qobject_cast<QLineEdit *>(control))
        control->setStyle(&m_panelStyle);
    control->ensurePolished();
    control->setAttribute(Qt::WA_OpaquePaintEvent);
    control->installEventFilter(this);
}

void Backdrop::DrawBeneath(QPainter &painter, const QWidget *control)
{
    painter.drawPixmap(-control->mapTo(&m_window, QPoint()), Picture());
}

bool Backdrop::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == &m_window) {
        if (type == QEvent::Resize || type == QEvent::FontChange || type == QEvent::PaletteChange
            || type == QEvent::StyleChange) {
            m_picture = {};
            m_panelStyle.Forget();
        }
        return false;
    }
    if (type == QEvent::StyleChange)
        static_cast<QWidget *>(watched)->setAttribute(Qt::WA_OpaquePaintEvent);
    return false;
}

const QPixmap &Backdrop::Picture()
{
    if (m_picture.isNull()) {
        const qreal pixelRatio = m_window.devicePixelRatioF();
        m_picture = QPixmap(m_window.size() * pixelRatio);
        m_picture.setDevicePixelRatio(pixelRatio);
        m_window.render(&m_picture, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        for (QGroupBox *box : m_window.findChildren<QGroupBox *>()) {
            if (!box->isHidden())
                box->render(&m_picture, box->mapTo(&m_window, QPoint()), QRegion(), {});
        }
    }
    return m_picture;
}
