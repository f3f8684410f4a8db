#pragma once

// On X11, has the window's paints reach the display over the connection
// itself rather than through shared memory. A poll repaints a few small
// controls, a few kilobytes: shared memory saves no copy worth having, yet
// makes each paint wait for the X server to be done with the previous one.
// Call it before the application object is made.
void SendPaintsOverTheConnection();
