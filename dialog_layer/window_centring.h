#pragma once

class QWidget;

// Centres the window's frame, title bar included, on the available area of
// the screen that holds the pointer: at once, from what is known of the frame
// before the window is shown, and once more when a window manager has put its
// frame around the window.
void CentreOnPointerScreen(QWidget &window);
