#include "StartupNotice.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(VANTREL_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

QByteArray launchStartupId() {
    const char* id = std::getenv("DESKTOP_STARTUP_ID");
    return id == nullptr ? QByteArray() : QByteArray(id);
}

#if defined(VANTREL_HAVE_XCB) && QT_CONFIG(xcb)

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (reply != nullptr) {
        atom = reply->atom;
    }
    std::free(reply);
    return atom;
}

} // namespace

void markStartupWindow(QWidget& window, const QByteArray& startupId) {
    if (startupId.isEmpty()) {
        return;
    }
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return;
    }
    xcb_connection_t* connection = x11->connection();
    const xcb_atom_t property = internAtom(connection, "_NET_STARTUP_ID");
    const xcb_atom_t utf8 = internAtom(connection, "UTF8_STRING");
    if (property == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE) {
        return;
    }
    // winId() creates the native window if it does not exist yet.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window.winId()), property, utf8, 8,
                        static_cast<std::uint32_t>(startupId.size()), startupId.constData());
    xcb_flush(connection);
}

#else

void markStartupWindow(QWidget& /*window*/, const QByteArray& /*startupId*/) {}

#endif
