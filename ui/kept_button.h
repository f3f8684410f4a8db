#pragma once

#include "ui/kept_drawings.h"

#include <QPushButton>

// A push button painted from kept drawings of its looks.
class KeptButton : public KeepsDrawings<QPushButton>
{
public:
    KeptButton(const QString &text, std::shared_ptr<KeptDrawings> drawings, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
