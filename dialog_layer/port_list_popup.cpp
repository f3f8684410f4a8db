#include "dialog_layer/port_list_popup.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>

namespace {

constexpr int kTextRole = Qt::UserRole;

} // namespace

PortListPopup::PortListPopup(QLineEdit *edit, std::shared_ptr<const PortSource> source)
    : QObject(edit), m_edit(edit), m_source(std::move(source)), m_model(new QStandardItemModel(this)),
      m_completer(new QCompleter(m_model, this))
{
    m_completer->setWidget(edit);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_completer->setFilterMode(Qt::MatchContains);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setMaxVisibleItems(12);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (m_choosing)
            return;
        if (text.isEmpty())
            m_completer->popup()->hide();
        else
            Open(text);
    });
    connect(m_completer, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &index) { Choose(index.data(kTextRole).toString()); });
}

bool PortListPopup::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Down && (modifiers == Qt::NoModifier || modifiers == Qt::AltModifier)) {
            Open(QString());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void PortListPopup::Open(const QString &filter)
{
    QAbstractItemView *popup = m_completer->popup();
    if (!popup->isVisible()) {
        m_model->clear();
        for (const PortChoice &choice : PortChoices(m_source->Ports())) {
            const QString line = choice.identification.isEmpty()
                ? choice.text
                : QStringLiteral("%1  \u2014  %2").arg(choice.text, choice.identification);
            auto *item = new QStandardItem(line);
            item->setData(choice.text, kTextRole);
            item->setEditable(false);
            m_model->appendRow(item);
        }
    }
    m_completer->setCompletionPrefix(filter);
    if (m_completer->completionCount() == 0) {
        popup->hide();
        return;
    }
    // The field is narrow: the list is as wide as its longest line, within the screen.
    const int wanted = popup->sizeHintForColumn(0) + 2 * popup->frameWidth() + popup->verticalScrollBar()->sizeHint().width();
    const int screenWidth = m_edit->screen()->availableGeometry().width();
    m_completer->complete(QRect(0, 0, std::clamp(wanted, m_edit->width(), screenWidth), m_edit->height()));
}

// Typed over the whole text, so the change runs like any other edit and can be undone.
void PortListPopup::Choose(const QString &text)
{
    m_choosing = true;
    m_edit->selectAll();
    m_edit->insert(text);
    m_choosing = false;
}
