#pragma once

#include <string>

// Qt aborts with a core dump when it cannot find a display, which tells a
// player nothing useful. The program checks first and explains instead.

// Returns an explanation for the player when the program cannot possibly
// open a window here, or an empty string when it may try. Only the
// environment is looked at: an explicit QT_QPA_PLATFORM (offscreen, vnc, ...)
// is trusted as it stands.
std::string missingDisplayMessage();

// Picks the display platform when the player has not (QT_QPA_PLATFORM), where
// both are offered: in a GNOME Wayland session the game runs on X11 through
// Xwayland, because GNOME Shell draws no title bars for Wayland windows, and
// Qt's own stand-in offers a maximise button on the fixed-size board, while
// Mutter neither centres a Wayland window nor places a box over its window.
// Other Wayland compositors (KWin, sway) get the game natively.
void choosePlatform();
