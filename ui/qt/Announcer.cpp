#include "Announcer.h"

#include <QAccessible>
#include <QWidget>
#include <algorithm>

Announcer::Announcer(QWidget& window) : m_window(window) {
    m_gap.setSingleShot(true);
    m_gap.setTimerType(Qt::PreciseTimer);
    connect(&m_gap, &QTimer::timeout, this, &Announcer::announce);
}

void Announcer::post(const std::vector<NewsItem>& news) {
    for (const NewsItem& item : news) {
        if (item.kind == NewsItem::Kind::NewGame) {
            // Whatever the old game still had to say no longer matters.
            m_pending.clear();
        } else if (item.kind == NewsItem::Kind::Cannon) {
            std::erase_if(m_pending,
                          [](const NewsItem& old) { return old.kind == NewsItem::Kind::Cannon; });
        }
        m_pending.push_back(item);
    }
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
    QString text;
    for (const NewsItem& item : m_pending) {
        if (!text.isEmpty()) {
            text += QStringLiteral(", ");
        }
        text += QString::fromStdString(item.text);
    }
    m_pending.clear();
    m_sinceLast.start();
    m_last = text;
    if (m_window.accessibleDescription() == text) {
        // The same news again ("shot missed" twice in a row): the description
        // does not change, so tell the screen reader by hand.
        QAccessibleEvent event(&m_window, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    } else {
        m_window.setAccessibleDescription(text);
    }
}
