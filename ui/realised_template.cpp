#include "ui/realised_template.h"

#include "res/resource.h"
#include "ui/backdrop.h"
#include "ui/dialog_units.h"
#include "ui/eliding_label.h"
#include "ui/field_edit.h"
#include "ui/frame_look.h"
#include "ui/kept_button.h"
#include "ui/kept_drawings.h"

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

QWidget *CreateEdit(const ControlTemplate &control, QWidget *parent, const std::shared_ptr<KeptDrawings> &kept)
{
    auto *edit = new FieldEdit(QString::fromLatin1(control.text), HasStyle(control.styles, ControlStyle::UpperCase),
                               parent);
    edit->setFrame(HasStyle(control.styles, ControlStyle::Border));
    edit->setAlignment(TextAlignment(control.styles) | Qt::AlignVCenter);
    edit->setReadOnly(HasStyle(control.styles, ControlStyle::ReadOnly));
    edit->KeepDrawings(kept);
    edit->setTextMargins(0, 0, 0, 0);
    return edit;
}

// Drawings kept for painting, shared by the controls of a window.
struct SharedDrawings
{
    std::shared_ptr<FrameLookDrawings> frameLooks = std::make_shared<FrameLookDrawings>();
    std::shared_ptr<KeptDrawings> kept = std::make_shared<KeptDrawings>();
};

// Client-edge buttons get the frame looks; other buttons and edits keep their drawings.
QWidget *CreateControl(const ControlTemplate &control, QWidget *parent, const SharedDrawings &drawings)
{
    const QString text = QString::fromLatin1(control.text);
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        QPushButton *button = HasStyle(control.styles, ControlStyle::ClientEdge)
            ? static_cast<QPushButton *>(new FramedButton(text, drawings.frameLooks, parent))
            : new KeptButton(text, drawings.kept, parent);
        button->setAutoDefault(true);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        return button;
    }
    case ControlKind::Edit:
        return CreateEdit(control, parent, drawings.kept);
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

    const SharedDrawings drawings;
    QWidget *previousTabStop = nullptr;
    for (const ControlTemplate &control : dialog.controls) {
        QWidget *widget = CreateControl(control, &window, drawings);
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

    // Buttons and edits change often; with what lies beneath them painted
    // from the backdrop, a change repaints the control alone. Framed buttons
    // cover themselves whole and need none.
    auto *backdrop = new Backdrop(window);
    drawings.kept->SetBackdrop(backdrop);
    for (QWidget *widget : std::as_const(m_byId)) {
        const bool framed = dynamic_cast<FramedButton *>(widget);
        if ((qobject_cast<QPushButton *>(widget) && !framed) || qobject_cast<QLineEdit *>(widget))
            backdrop->PaintBeneath(widget);
    }
}
