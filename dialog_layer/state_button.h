#pragma once

#include <QPushButton>

// A push button that shows a state by its border: a single sunken edge
// (nothing known yet), none at all, or a heavy frame. A marked button draws
// its caption in the warning colour. Borders and caption come from the
// palette, so light and dark themes both read well.
class StateButton : public QPushButton
{
    Q_OBJECT
public:
    enum class Look { Sunken, Flat, Heavy };

    StateButton(const QString &text, QWidget *parent);

    Look look() const { return m_look; }
    void setLook(Look look);
    void setMarked(bool marked);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Look m_look = Look::Sunken;
    bool m_marked = false;
};
