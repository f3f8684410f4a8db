#include "ui/caption_mark.h"

#include <QPalette>
#include <QVariant>
#include <QWidget>

void SetCaptionMark(QWidget *button, bool marked)
{
    button->setProperty(kCaptionMarkProperty, marked);
    // Drawn from the palette by a plain button; a framed button's look draws
    // it by its rule for the property. A palette with no role of its own
    // inherits every colour from the window.
    QPalette palette;
    if (marked)
        palette.setColor(QPalette::ButtonText, WarningColour(button->parentWidget()->palette()));
    button->setPalette(palette);
    button->update();
}

bool HasCaptionMark(const QWidget *button)
{
    return button->property(kCaptionMarkProperty).toBool();
}

QColor WarningColour(const QPalette &palette)
{
    return palette.color(QPalette::Button).lightness() < 128 ? QColor(255, 110, 110) : QColor(Qt::red);
}
