#include "Announcer.h"

#include <QAccessible>
#include <QString>
#include <QVariant>
#include <QWidget>

#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0) && defined(VANTREL_HAVE_QTDBUS)
#define VANTREL_SEND_DESCRIPTION_TEXT 1
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#endif

namespace {

#ifdef VANTREL_SEND_DESCRIPTION_TEXT
// Qt before 6.5 tells AT-SPI screen readers that a description changed with
// a reference to the object where they expect the new text, and a reader
// that speaks the text it is sent (Orca) then says nothing. This sends the
// event as later Qt versions do, with the text, on the accessibility bus
// connection Qt opened; without that connection no reader listens anyway.
void sendDescriptionText(QWidget& window, const QString& text) {
    QDBusConnection bus(QStringLiteral("a11y"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&window);
    if (!bus.isConnected() || iface == nullptr) {
        return;
    }
    // The object paths Qt's bridge gives the application and its objects.
    const QString path = QStringLiteral("/org/a11y/atspi/accessible/") +
                         QString::number(QAccessible::uniqueId(iface));
    QDBusArgument application;
    application.beginStructure();
    application << bus.baseService()
                << QDBusObjectPath(QStringLiteral("/org/a11y/atspi/accessible/root"));
    application.endStructure();
    QDBusMessage event = QDBusMessage::createSignal(
        path, QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("PropertyChange"));
    event << QStringLiteral("accessible-description") << 0 << 0
          << QVariant::fromValue(QDBusVariant(text)) << QVariant::fromValue(application);
    bus.send(event);
}
#endif

} // namespace

void announce(QWidget& window, const QString& text) {
#if VANTREL_NEWS_AS_ANNOUNCEMENTS
    // Qt's announcement reaches AT-SPI readers as an announcement event of
    // its own, which they speak as it comes, polite: after what they are
    // saying, never cutting it off.
    if (QAccessible::isActive()) {
        QAccessibleAnnouncementEvent event(&window, text);
        QAccessible::updateAccessibility(&event);
    }
#else
    // The window's accessible interface reads its description from here
    // (AccessibleWindows), so the widget's own description, and the event
    // Qt would send with it, stay out of the way.
    window.setProperty(kNewsProperty, text);
    if (!QAccessible::isActive()) {
        return;
    }
#ifdef VANTREL_SEND_DESCRIPTION_TEXT
    sendDescriptionText(window, text);
#else
    QAccessibleEvent event(&window, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
#endif
#endif
}
