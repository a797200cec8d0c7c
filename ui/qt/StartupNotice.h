#pragma once

#include <QByteArray>

class QWidget;

// A launcher that starts the game from its desktop entry passes a startup id
// in DESKTOP_STARTUP_ID: it names the launch and carries the time of the click
// that made it. Qt takes the variable and, once the first window is shown,
// tells the launcher that the start is complete; but it does not put the id on
// the window, and a window manager that prevents focus stealing needs it there
// to see that the window belongs to the player's latest action.

// The launcher's startup id, read before Qt starts (Qt removes the variable
// from the environment), or else its Wayland activation token
// (XDG_ACTIVATION_TOKEN); empty when the program was not started that way.
QByteArray launchStartupId();

// Puts the startup id on a top-level window that is not shown yet, where the
// window manager looks for it when the window is mapped. Does nothing without
// an id or off X11.
void markStartupWindow(QWidget& window, const QByteArray& startupId);

// Qt names the desktop entry (setDesktopFileName) to Wayland compositors as
// the windows' app_id, but not to X11 window managers: KWin and GNOME Shell
// then look for an entry named after the window's class, vantrel.desktop,
// which does not exist. From now on every top-level window carries the
// entry's name as it is first shown. Does nothing off X11.
void nameDesktopEntryOnWindows();

// Sets or clears the urgency hint of a top-level window on X11, the old
// standard way of asking for attention. Qt's alert sets only the newer
// _NET_WM_STATE_DEMANDS_ATTENTION, which sway does not read from Xwayland
// windows. Does nothing off X11.
void setUrgent(QWidget& window, bool urgent);
