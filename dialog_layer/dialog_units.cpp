#include "dialog_layer/dialog_units.h"

#include <QFontMetricsF>
#include <cmath>

namespace {

int Scaled(int units, double base, int perBase)
{
    return static_cast<int>(std::lround(units * base / perBase));
}

} // namespace

DialogBaseUnits DialogBaseUnits::ForFont(const QFont &font)
{
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetricsF metrics(font);
    return {metrics.horizontalAdvance(letters) / letters.size(), metrics.height()};
}

QRect DialogBaseUnits::ToPixels(const DialogUnitRect &rect) const
{
    const int left = Scaled(rect.x, horizontal, 4);
    const int top = Scaled(rect.y, vertical, 8);
    const int right = Scaled(rect.x + rect.width, horizontal, 4);
    const int bottom = Scaled(rect.y + rect.height, vertical, 8);
    return {left, top, right - left, bottom - top};
}

QSize DialogBaseUnits::ToPixels(int width, int height) const
{
    return {Scaled(width, horizontal, 4), Scaled(height, vertical, 8)};
}

QFont TemplateFont(const DialogTemplate &dialog)
{
    QFont font(QStringLiteral("Sans Serif"), dialog.pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}
