#pragma once

#include <string>

// Qt aborts with a core dump when it cannot find a display, which tells a
// player nothing useful. The program checks first and explains instead.

// Returns an explanation for the player when the program cannot possibly
// open a window here, or an empty string when it may try. Only the
// environment is looked at: an explicit QT_QPA_PLATFORM (offscreen, vnc, ...)
// is trusted as it stands.
std::string missingDisplayMessage();

// Picks the display platform when the player has not (QT_QPA_PLATFORM). In a
// Wayland session the game runs natively on Qt 6.8 and later, which does
// there all the game asks of a desktop (DisplayCheck.cpp says what), with X11
// as the fallback. On an older Qt it runs on X11 through Xwayland where
// the session has it (DISPLAY set): natively, Qt 6.4 has no way to ask for
// attention without taking the keyboard (its alert does nothing, and asking
// to be activated is granted), so a loss box that waits while the player is
// in another program would wait unseen; and under GNOME Shell, which draws
// no title bars for Wayland windows, Qt 6.4 draws its own with a maximise
// button on the fixed-size board, while Mutter neither centres the window
// nor places a box over it. Without Xwayland the game runs natively.
void choosePlatform();
