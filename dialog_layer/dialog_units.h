#pragma once

#include "res/dialog_template.h"

#include <QFont>
#include <QRect>
#include <QSize>

// Dialog units in pixels for a font: across, a quarter of the average width
// of the Latin letters; down, an eighth of the font's height.
struct DialogBaseUnits
{
    double horizontal;
    double vertical;

    static DialogBaseUnits ForFont(const QFont &font);
    QRect ToPixels(const DialogUnitRect &rect) const;
    QSize ToPixels(int width, int height) const;
};

// The font a template names, realised on this platform: "MS Sans Serif"
// becomes the default sans-serif face at the same size.
QFont TemplateFont(const DialogTemplate &dialog);
