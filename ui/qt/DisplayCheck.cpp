#include "DisplayCheck.h"

#include <QtGlobal>
#include <cstdlib>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
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
    if (!isSet("QT_QPA_PLATFORM") && isSet("WAYLAND_DISPLAY") && isSet("DISPLAY")) {
        // Wayland stays the fallback should the X11 plugin be missing.
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
