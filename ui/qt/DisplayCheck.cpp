#include "DisplayCheck.h"

#include <QtGlobal>
#include <cstdlib>
#include <string_view>

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
    if (isSet("QT_QPA_PLATFORM") || !isSet("WAYLAND_DISPLAY") || !isSet("DISPLAY")) {
        return;
    }
    // XDG_CURRENT_DESKTOP is a colon-separated list ("ubuntu:GNOME").
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    std::string_view rest = desktops == nullptr ? std::string_view() : desktops;
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view desktop = rest.substr(0, colon);
        if (desktop == "GNOME" || desktop == "gnome") {
            // Wayland stays the fallback should the X11 plugin be missing.
            setenv("QT_QPA_PLATFORM", "xcb;wayland", 0);
            return;
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
}

#else

// Windows and macOS always have their one native display.
std::string missingDisplayMessage() {
    return {};
}

void choosePlatform() {}

#endif
