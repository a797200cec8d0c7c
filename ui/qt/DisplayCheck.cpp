#include "DisplayCheck.h"

#include <QLibraryInfo>
#include <QVersionNumber>
#include <QtGlobal>
#include <cstdlib>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The first Qt whose Wayland windows do all the game asks of a desktop. Qt
// 6.5 asks for attention through xdg-activation without taking the keyboard
// (QWindow::alert); Qt 6.8 hands the launcher's activation token
// (XDG_ACTIVATION_TOKEN) to the first window it shows, and under GNOME Shell
// draws GNOME's title bar with the buttons the desktop shows (no maximise on
// the fixed board) and keeps a modal box over its window (xdg-dialog).
const QVersionNumber kNativeWaylandQt(6, 8);

// Read from the running Qt, not the one the game was built with: the Wayland
// plugin that will be loaded is the running Qt's.
bool prefersNativeWayland() {
    return QLibraryInfo::version() >= kNativeWaylandQt;
}

} // namespace

std::string missingDisplayMessage() {
    if (isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY")) {
        return {};
    }
    return "Vantrel needs a graphical display: no X11 or Wayland display was found "
           "(DISPLAY/WAYLAND_DISPLAY unset). Run it from a desktop session, or under a "
           "virtual X server: xvfb-run ./play.sh";
}

void choosePlatform() {
    if (isSet("QT_QPA_PLATFORM") || !isSet("WAYLAND_DISPLAY")) {
        return;
    }
    // The other stays the fallback should the first one's plugin be missing.
    if (prefersNativeWayland()) {
        // Said outright: Qt itself would pick X11 where the session does not
        // call itself Wayland (sway started from a console).
        setenv("QT_QPA_PLATFORM", "wayland;xcb", 0);
    } else if (isSet("DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "xcb;wayland", 0);
    }
}

#else

// Windows and macOS always have their one native display.
std::string missingDisplayMessage() {
    return {};
}

void choosePlatform() {}

#endif
