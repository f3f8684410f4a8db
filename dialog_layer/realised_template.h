#pragma once

#include "res/dialog_template.h"

#include <QHash>

class QDialog;
class QWidget;

// The controls of a dialog template made into Qt widgets on a dialog: placed
// by dialog units of the template's font, styled as the template says, with
// the tab order of the template. Controls are found by their numbers.
class RealisedTemplate
{
public:
    RealisedTemplate(const DialogTemplate &dialog, QDialog &window);

    // The control with this number, or null.
    QWidget *GetDlgItem(int id) const { return m_byId.value(id); }

private:
    QHash<int, QWidget *> m_byId;
};
