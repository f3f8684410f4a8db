#pragma once

#include <QIcon>

// IDR_MAINFRAME: the application icon, 32 x 32 and 16 x 16 in 16 colours.
QIcon LoadMainFrameIcon();
