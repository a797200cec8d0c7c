#pragma once

#include <functional>

class QRect;
class QWidget;

// Centres a top-level window that is about to be shown for the first time.
// Until the window is mapped a window manager has not framed it, so at first
// it is the client area that gets centred; once the frame is known (the
// window manager reports it shortly after mapping) the whole frame is centred
// instead, and the move is checked and made again if it went astray. With no
// window manager there is no frame and the client area stays where it is.
void centreOnScreenWithFrame(QWidget& window);

// Once a window about to be shown is framed, centres its frame on the
// rectangle `area` gives (asked again at each move), checking the move as
// centreOnScreenWithFrame does: a box on its owner's frame. Until then the
// window stays where it is put.
void centreWithFrame(QWidget& window, const std::function<QRect()>& area);
