#pragma once

#include <QtGlobal>

class QString;
class QWidget;

// Says the game's news to screen readers. The game session has already paced
// the news for speech; this is only how Qt gets it to a reader.
//
// From Qt 6.8, where Qt has announcements (QAccessibleAnnouncementEvent),
// the news is one, and the window's own description never changes. Before
// that, the news goes through the accessible description of the window that
// holds the keyboard: screen readers read out a change of the focused
// object's description.
#define VANTREL_NEWS_AS_ANNOUNCEMENTS (QT_VERSION >= QT_VERSION_CHECK(6, 8, 0))
constexpr bool kNewsAsAnnouncements = VANTREL_NEWS_AS_ANNOUNCEMENTS;

// The window property that holds the news where it goes through the
// description. The window's accessible interface reports it as the
// description once set (AccessibleWindows).
constexpr const char* kNewsProperty = "accessibleNews";

// Says `text` to screen readers as news of `window`.
void announce(QWidget& window, const QString& text);
