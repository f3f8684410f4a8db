#include "dialog_layer/realised_template.h"

#include "res/resource.h"
#include "dialog_layer/eliding_label.h"
#include "dialog_layer/field_edit.h"
#include "dialog_layer/state_button.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QFontMetricsF>
#include <QPushButton>

#include <cmath>

namespace {

// Dialog units in pixels for a font: across, a quarter of the average width
// of the Latin letters; down, an eighth of the font's height.
class DialogBaseUnits
{
public:
    explicit DialogBaseUnits(const QFont &font)
    {
        static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        const QFontMetricsF metrics(font);
        m_horizontal = metrics.horizontalAdvance(letters) / letters.size();
        m_vertical = metrics.height();
    }

    int Across(int units) const { return static_cast<int>(std::lround(units * m_horizontal / 4)); }
    int Down(int units) const { return static_cast<int>(std::lround(units * m_vertical / 8)); }

    QRect ToPixels(const DialogUnitRect &rect) const
    {
        const int left = Across(rect.x);
        const int top = Down(rect.y);
        return {left, top, Across(rect.x + rect.width) - left, Down(rect.y + rect.height) - top};
    }

private:
    double m_horizontal;
    double m_vertical;
};

// The font a template names, realised on this platform: "MS Sans Serif"
// becomes the default sans-serif face at the same size.
QFont TemplateFont(const DialogTemplate &dialog)
{
    QFont font(QStringLiteral("Sans Serif"), dialog.pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

Qt::Alignment TextAlignment(ControlStyle styles)
{
    if (HasStyle(styles, ControlStyle::AlignCenter))
        return Qt::AlignHCenter;
    return HasStyle(styles, ControlStyle::AlignRight) ? Qt::AlignRight : Qt::AlignLeft;
}

// Buttons and edits change often. With the window's colour filled in under
// their rounded corners they count as opaque, so a change repaints the
// control alone and not the group box beneath it.
void FillBeneath(QWidget *control)
{
    control->setBackgroundRole(QPalette::Window);
    control->setAutoFillBackground(true);
}

QWidget *CreateEdit(const ControlTemplate &control, QWidget *parent)
{
    auto *edit = new FieldEdit(QString::fromLatin1(control.text), HasStyle(control.styles, ControlStyle::UpperCase),
                               parent);
    edit->setFrame(HasStyle(control.styles, ControlStyle::Border));
    edit->setAlignment(TextAlignment(control.styles) | Qt::AlignVCenter);
    edit->setReadOnly(HasStyle(control.styles, ControlStyle::ReadOnly));
    edit->setTextMargins(0, 0, 0, 0);
    FillBeneath(edit);
    return edit;
}

// Client-edge buttons show a state; the other controls are Qt's own.
QWidget *CreateControl(const ControlTemplate &control, QWidget *parent)
{
    const QString text = QString::fromLatin1(control.text);
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        QPushButton *button = nullptr;
        if (HasStyle(control.styles, ControlStyle::ClientEdge)) {
            button = new StateButton(text, parent);
        } else {
            button = new QPushButton(text, parent);
            FillBeneath(button);
        }
        button->setAutoDefault(true);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        return button;
    }
    case ControlKind::Edit:
        return CreateEdit(control, parent);
    case ControlKind::Static: {
        auto *label = new ElidingLabel(text, parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(TextAlignment(control.styles) | Qt::AlignTop);
        return label;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(text, parent);
    case ControlKind::AutoCheckBox:
        return new QCheckBox(text, parent);
    }
    return nullptr;
}

} // namespace

RealisedTemplate::RealisedTemplate(const DialogTemplate &dialog, QDialog &window)
{
    window.setFont(TemplateFont(dialog));
    window.setWindowTitle(QString::fromLatin1(dialog.caption));
    const DialogBaseUnits units(window.font());
    window.setFixedSize(units.Across(dialog.width), units.Down(dialog.height));

    QWidget *previousTabStop = nullptr;
    for (const ControlTemplate &control : dialog.controls) {
        QWidget *widget = CreateControl(control, &window);
        widget->setGeometry(units.ToPixels(control.rect));
        // A control of fixed size does not ask the window for a new layout
        // at each change of its text.
        widget->setFixedSize(widget->size());
        const bool tabStop = HasStyle(control.styles, ControlStyle::TabStop);
        widget->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
        if (HasStyle(control.styles, ControlStyle::Hidden))
            widget->setVisible(false);
        if (tabStop) {
            if (previousTabStop)
                QWidget::setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        }
        if (control.id != IDC_STATIC)
            m_byId.insert(control.id, widget);
    }
}
