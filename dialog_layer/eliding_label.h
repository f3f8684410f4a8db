#pragma once

#include <QLabel>

// A label that cuts a text too long for it at the end with "..." and then
// carries the whole text as its tooltip.
class ElidingLabel : public QLabel
{
    Q_OBJECT
public:
    ElidingLabel(const QString &text, QWidget *parent);

    void SetFullText(const QString &text);
    const QString &FullText() const { return m_fullText; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void ShowFitted();

    QString m_fullText;
};
