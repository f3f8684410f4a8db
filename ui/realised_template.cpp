#include "ui/realised_template.h"

#include "res/resource.h"
#include "ui/backdrop.h"
#include "ui/dialog_units.h"
#include "ui/eliding_label.h"
#include "ui/field_edit.h"
#include "ui/frame_look.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

Qt::Alignment TextAlignment(ControlStyle styles)
{
    if (HasStyle(styles, ControlStyle::AlignCenter))
        return Qt::AlignHCenter;
    return HasStyle(styles, ControlStyle::AlignRight) ? Qt::AlignRight : Qt::AlignLeft;
}

QWidget *CreateEdit(const ControlTemplate &control, QWidget *parent)
{
    auto *edit = new FieldEdit(QString::fromLatin1(control.text), HasStyle(control.styles, ControlStyle::UpperCase),
                               parent);
    edit->setFrame(HasStyle(control.styles, ControlStyle::Border));
    edit->setAlignment(TextAlignment(control.styles) | Qt::AlignVCenter);
    edit->setReadOnly(HasStyle(control.styles, ControlStyle::ReadOnly));
    edit->setTextMargins(0, 0, 0, 0);
    return edit;
}

// Client-edge buttons get the frame looks; drawings are shared by all of them.
QWidget *CreateControl(const ControlTemplate &control, QWidget *parent,
                       const std::shared_ptr<FrameLookDrawings> &frameLooks)
{
    const QString text = QString::fromLatin1(control.text);
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto *button = HasStyle(control.styles, ControlStyle::ClientEdge)
            ? new FramedButton(text, frameLooks, parent)
            : new QPushButton(text, parent);
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
    const DialogBaseUnits units = DialogBaseUnits::ForFont(window.font());
    window.setFixedSize(units.ToPixels(dialog.width, dialog.height));

    const auto frameLooks = std::make_shared<FrameLookDrawings>();
    QWidget *previousTabStop = nullptr;
    for (const ControlTemplate &control : dialog.controls) {
        QWidget *widget = CreateControl(control, &window, frameLooks);
        widget->setGeometry(units.ToPixels(control.rect));
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

    // Buttons and edits change often; with what lies beneath them painted
    // from the backdrop, a change repaints the control alone. Framed buttons
    // cover themselves whole and need none.
    auto *backdrop = new Backdrop(window);
    for (QWidget *widget : std::as_const(m_byId)) {
        const bool framed = dynamic_cast<FramedButton *>(widget);
        if ((qobject_cast<QPushButton *>(widget) && !framed) || qobject_cast<QLineEdit *>(widget))
            backdrop->PaintBeneath(widget);
    }
}
