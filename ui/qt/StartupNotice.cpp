#include "StartupNotice.h"

#include <QEvent>
#include <QGuiApplication>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(VANTREL_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

QByteArray launchStartupId() {
    // A Wayland launcher passes an activation token instead. Natively on
    // Wayland Qt hands it to the first window itself, and this id goes
    // nowhere; GNOME Shell keeps its tokens and X11 startup ids in one list,
    // so there the token does a startup id's work for the game's X11 windows.
    for (const char* name : {"DESKTOP_STARTUP_ID", "XDG_ACTIVATION_TOKEN"}) {
        if (const char* id = std::getenv(name); id != nullptr && *id != '\0') {
            return QByteArray(id);
        }
    }
    return {};
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

// Sets a UTF-8 text property on a top-level window; winId() creates the
// native window if it does not exist yet. Does nothing off X11.
void setTextProperty(QWidget& window, const char* name, const QByteArray& value) {
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return;
    }
    xcb_connection_t* connection = x11->connection();
    const xcb_atom_t property = internAtom(connection, name);
    const xcb_atom_t utf8 = internAtom(connection, "UTF8_STRING");
    if (property == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE) {
        return;
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window.winId()), property, utf8, 8,
                        static_cast<std::uint32_t>(value.size()), value.constData());
    xcb_flush(connection);
}

// Names the desktop entry on each top-level window as it is first shown.
class DesktopEntryNamer : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget != nullptr && widget->isWindow() && !widget->property(kNamed).toBool()) {
                widget->setProperty(kNamed, true);
                const QByteArray name = QGuiApplication::desktopFileName().toUtf8();
                // KWin reads the first, GNOME Shell the second.
                setTextProperty(*widget, "_KDE_NET_WM_DESKTOP_FILE", name);
                setTextProperty(*widget, "_GTK_APPLICATION_ID", name);
            }
        }
        return false;
    }

private:
    static constexpr const char* kNamed = "vantrelDesktopEntryNamed";
};

} // namespace

void markStartupWindow(QWidget& window, const QByteArray& startupId) {
    if (!startupId.isEmpty()) {
        setTextProperty(window, "_NET_STARTUP_ID", startupId);
    }
}

void nameDesktopEntryOnWindows() {
    if (QGuiApplication::platformName() == QStringLiteral("xcb") &&
        !QGuiApplication::desktopFileName().isEmpty()) {
        qApp->installEventFilter(new DesktopEntryNamer(qApp));
    }
}

void setUrgent(QWidget& window, bool urgent) {
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr || window.windowHandle() == nullptr) {
        return;
    }
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    // WM_HINTS holds nine numbers, the flags first; Qt keeps the others.
    constexpr std::uint32_t kUrgencyHint = 1U << 8U;
    std::array<std::uint32_t, 9> hints{};
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, hints.size()),
        nullptr);
    if (reply != nullptr && reply->format == 32) {
        const auto count = std::min<std::size_t>(
            hints.size(), static_cast<std::size_t>(xcb_get_property_value_length(reply)) / 4);
        std::memcpy(hints.data(), xcb_get_property_value(reply), count * 4);
    }
    std::free(reply);
    hints[0] = urgent ? (hints[0] | kUrgencyHint) : (hints[0] & ~kUrgencyHint);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS,
                        32, hints.size(), hints.data());
    xcb_flush(connection);
}

#else

void markStartupWindow(QWidget& /*window*/, const QByteArray& /*startupId*/) {}

void nameDesktopEntryOnWindows() {}

void setUrgent(QWidget& /*window*/, bool /*urgent*/) {}

#endif
