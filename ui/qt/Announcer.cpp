#include "Announcer.h"

#include <QAccessible>
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

Announcer::Announcer(QWidget& window) : m_window(window) {
    m_gap.setSingleShot(true);
    m_gap.setTimerType(Qt::PreciseTimer);
    connect(&m_gap, &QTimer::timeout, this, &Announcer::announce);
}

void Announcer::post(const std::vector<NewsItem>& news) {
    m_pending.post(news);
    if (m_pending.empty() || m_gap.isActive()) {
        return;
    }
    const qint64 since = m_sinceLast.isValid() ? m_sinceLast.elapsed() : kMinGapMs;
    if (since >= kMinGapMs) {
        announce();
    } else {
        m_gap.start(static_cast<int>(kMinGapMs - since));
    }
}

void Announcer::flush() {
    m_gap.stop();
    announce();
}

void Announcer::announce() {
    if (m_pending.empty()) {
        return;
    }
    const QString text = QString::fromStdString(m_pending.take());
    m_sinceLast.start();
    m_last = text;
    // The window's accessible interface reads its description from here
    // (AccessibleWindows), so the widget's own description, and the event
    // Qt would send with it, stay out of the way.
    m_window.setProperty(kNewsProperty, text);
    if (!QAccessible::isActive()) {
        return;
    }
#ifdef VANTREL_SEND_DESCRIPTION_TEXT
    sendDescriptionText(m_window, text);
#else
    QAccessibleEvent event(&m_window, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
#endif
}
