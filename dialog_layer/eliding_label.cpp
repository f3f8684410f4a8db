#include "dialog_layer/eliding_label.h"

#include <QEvent>

namespace {

const QString kEllipsis = QStringLiteral("...");

} // namespace

ElidingLabel::ElidingLabel(const QString &text, QWidget *parent) : QLabel(parent)
{
    SetFullText(text);
}

void ElidingLabel::SetFullText(const QString &text)
{
    m_fullText = text;
    ShowFitted();
}

void ElidingLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    ShowFitted();
}

void ElidingLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ShowFitted();
}

void ElidingLabel::ShowFitted()
{
    const QFontMetrics metrics = fontMetrics();
    const int width = contentsRect().width();
    if (metrics.horizontalAdvance(m_fullText) <= width) {
        setText(m_fullText);
        setToolTip({});
        return;
    }
    QString shown = m_fullText;
    while (!shown.isEmpty() && metrics.horizontalAdvance(shown + kEllipsis) > width) {
        shown.chop(shown.size() > 1 && shown.back().isLowSurrogate() ? 2 : 1);
    }
    setText(shown + kEllipsis);
    setToolTip(m_fullText);
}
