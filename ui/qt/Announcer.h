#pragma once

#include "GameNews.h"
#include "NewsQueue.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

class QWidget;

// Speaks the game's news through the accessible description of the window
// that holds the keyboard: screen readers read out a change of the focused
// object's description. The news is kept in the window's kNewsProperty, which
// its accessible interface reports as the description once set. The step
// timer beats faster than speech, so announcements come at most once per
// kMinGapMs; news that arrives meanwhile waits in a NewsQueue and goes out
// together.
class Announcer : public QObject {
    Q_OBJECT

public:
    static constexpr int kMinGapMs = NewsQueue::kMinGapMs;
    static constexpr const char* kNewsProperty = "accessibleNews";

    explicit Announcer(QWidget& window);

    void post(const std::vector<NewsItem>& news);
    // Says whatever waits at once, gap or not: a message box is about to
    // take the keyboard, and news said after that would go unheard.
    void flush();

    // What was said last, empty before the first announcement.
    const QString& lastAnnouncement() const { return m_last; }

private:
    void announce();

    QWidget& m_window;
    NewsQueue m_pending;
    QTimer m_gap;
    QElapsedTimer m_sinceLast;
    QString m_last;
};
