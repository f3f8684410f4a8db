#pragma once

#include "device/port_list.h"

#include <QObject>
#include <memory>

class QCompleter;
class QLineEdit;
class QStandardItemModel;

// The list of serial ports under an edit field. Down or alt+Down opens it
// with every port; typing opens it with the entries that contain what was
// typed. The list is read from its source each time it opens. Choosing an
// entry types its name into the field, as the user's own edit.
class PortListPopup : public QObject
{
    Q_OBJECT
public:
    PortListPopup(QLineEdit *edit, std::shared_ptr<const PortSource> source);

    void SetSource(std::shared_ptr<const PortSource> source) { m_source = std::move(source); }
    QCompleter *Completer() const { return m_completer; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Open(const QString &filter);
    void Choose(const QString &text);

    QLineEdit *m_edit;
    std::shared_ptr<const PortSource> m_source;
    QStandardItemModel *m_model;
    QCompleter *m_completer;
    bool m_choosing = false;
};
