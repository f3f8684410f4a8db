#include "res/main_frame_icon.h"

#include <QPixmap>

#include "res/korvane-16.xpm"
#include "res/korvane-32.xpm"

QIcon LoadMainFrameIcon()
{
    QIcon icon;
    icon.addPixmap(QPixmap(korvane_32));
    icon.addPixmap(QPixmap(korvane_16));
    return icon;
}
