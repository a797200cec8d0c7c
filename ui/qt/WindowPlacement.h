#pragma once

class QWidget;

// Moves a top-level window, not yet shown, to the centre of the available area
// of its screen. Call it before the first show: until the window is mapped its
// frame is unknown, so it is the client area that gets centred.
void centreOnScreen(QWidget& window);
