#include "ui/frame_look.h"

#include "ui/caption_mark.h"
#include "ui/drawing_copy.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

// Captions, sizes and states are few; the bound only guards against a
// stream of arbitrary captions.
constexpr qsizetype kMaxDrawings = 256;

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

FrameLookDrawings::FrameLookDrawings() = default;
FrameLookDrawings::~FrameLookDrawings() = default;

// The model draws with the button's option, font and pens, as the button's
// own paint would with the model's style sheet.
const QImage &FrameLookDrawings::Drawing(FrameLook look, bool marked, const QStyleOptionButton &option,
                                         const QWidget &button)
{
    const qreal pixelRatio = button.devicePixelRatioF();
    const Key key{look,
                  marked,
                  option.text,
                  static_cast<int>(option.state),
                  static_cast<int>(option.features),
                  option.rect.size(),
                  pixelRatio,
                  option.palette.cacheKey()};
    if (const auto found = m_drawings.constFind(key); found != m_drawings.cend())
        return *found;

    if (m_drawings.size() >= kMaxDrawings)
        m_drawings.clear();
    QPixmap drawing(option.rect.size() * pixelRatio);
    drawing.setDevicePixelRatio(pixelRatio);
    drawing.fill(button.palette().color(QPalette::Button));
    QPainter painter(&drawing);
    painter.setFont(button.font());
    painter.setPen(button.palette().color(button.foregroundRole()));
    painter.setBrush(button.palette().brush(button.backgroundRole()));
    QPushButton &model = Model(look, marked, WarningColour(button.palette()));
    model.style()->drawControl(QStyle::CE_PushButton, &option, &painter, &model);
    painter.end();
    return *m_drawings.insert(key, drawing.toImage());
}

QPushButton &FrameLookDrawings::Model(FrameLook look, bool marked, const QColor &warning)
{
    std::unique_ptr<QPushButton> &model = m_models[{static_cast<int>(look), marked, warning.rgb()}];
    if (!model) {
        model = std::make_unique<QPushButton>();
        model->setProperty(kCaptionMarkProperty, marked);
        model->setStyleSheet(StyleSheet(look, warning));
    }
    return *model;
}

FramedButton::FramedButton(const QString &text, std::shared_ptr<FrameLookDrawings> drawings, QWidget *parent)
    : QPushButton(text, parent), m_drawings(std::move(drawings))
{
}

void FramedButton::SetLook(FrameLook look)
{
    if (look == m_look)
        return;
    m_look = look;
    update();
}

// Styles may clear the opaque attribute when they polish a button (Fusion
// does), so it is set after each polish. The caption mark is read when it
// changes: looking a property up by name at every paint is dear.
bool FramedButton::event(QEvent *event)
{
    const bool handled = QPushButton::event(event);
    if (event->type() == QEvent::Polish)
        setAttribute(Qt::WA_OpaquePaintEvent);
    else if (event->type() == QEvent::DynamicPropertyChange)
        m_marked = HasCaptionMark(this);
    return handled;
}

// The looks do not change under the mouse, so hovering keeps no drawings of its own.
void FramedButton::paintEvent(QPaintEvent *event)
{
    QStyleOptionButton option;
    initStyleOption(&option);
    option.state &= ~QStyle::State_MouseOver;
    QPoint offset;
    QPaintDevice *target = redirected(&offset);
    PutDrawing(*this, target, offset, m_drawings->Drawing(m_look, m_marked, option, *this), event->region());
}

void FramedButton::changeEvent(QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::FontChange || type == QEvent::StyleChange)
        m_drawings->Forget();
    QPushButton::changeEvent(event);
    if (type == QEvent::StyleChange)
        setAttribute(Qt::WA_OpaquePaintEvent);
}

void SetFrameLook(QWidget *button, FrameLook look)
{
    if (auto *framed = dynamic_cast<FramedButton *>(button))
        framed->SetLook(look);
}

FrameLook GetFrameLook(const QWidget *button)
{
    const auto *framed = dynamic_cast<const FramedButton *>(button);
    return framed ? framed->Look() : FrameLook::Flat;
}
