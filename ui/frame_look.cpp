#include "ui/frame_look.h"

#include "ui/caption_mark.h"

#include <QVariant>
#include <QWidget>

namespace {

constexpr const char *kLookProperty = "korvaneFrameLook";

// Palette roles keep the borders readable on light and dark themes alike.
// A marked caption is drawn in the warning colour.
QString StyleSheet(FrameLook look, const QColor &warning)
{
    const QString body = QStringLiteral("QPushButton { background: palette(button); color: palette(button-text); %1 }"
                                        "QPushButton:pressed { background: palette(mid); }"
                                        "QPushButton:focus { %2 }")
        + QStringLiteral("QPushButton[%1=\"true\"] { color: %2; }").arg(QLatin1String(kCaptionMarkProperty), warning.name());
    switch (look) {
    case FrameLook::Sunken:
        return body.arg(QStringLiteral("border: 1px solid; border-color: palette(dark) palette(light) "
                                       "palette(light) palette(dark);"),
                        QStringLiteral("border: 1px dotted palette(highlight);"));
    case FrameLook::Flat:
        return body.arg(QStringLiteral("border: none;"), QStringLiteral("border: 1px dotted palette(highlight);"));
    case FrameLook::Heavy:
        return body.arg(QStringLiteral("border: 3px solid palette(window-text);"),
                        QStringLiteral("border: 3px solid palette(highlight);"));
    }
    return {};
}

} // namespace

void SetFrameLook(QWidget *button, FrameLook look)
{
    button->setProperty(kLookProperty, static_cast<int>(look));
    button->setStyleSheet(StyleSheet(look, WarningColour(button->palette())));
    button->repaint();
}

FrameLook GetFrameLook(const QWidget *button)
{
    return static_cast<FrameLook>(button->property(kLookProperty).toInt());
}
