#include "ui/kept_button.h"

#include <QStyleOptionButton>

KeptButton::KeptButton(const QString &text, std::shared_ptr<KeptDrawings> drawings, QWidget *parent)
    : KeepsDrawings<QPushButton>(text, parent)
{
    KeepDrawings(std::move(drawings));
}

// The look follows from the caption, the state (pressed, focused, hovered...)
// and the features (default button...) the style is given.
void KeptButton::paintEvent(QPaintEvent *event)
{
    if (!KeepsAny()) {
        QPushButton::paintEvent(event);
        return;
    }
    QStyleOptionButton option;
    initStyleOption(&option);
    PaintKept(event, option.text, static_cast<qint64>(option.state) | (static_cast<qint64>(option.features) << 32));
}
