#pragma once

class QString;
class QWidget;

// Says the game's news through the accessible description of the window
// that holds the keyboard: screen readers read out a change of the focused
// object's description. The game session has already paced the news for
// speech; this is only how Qt gets it to a reader.

// The window property that holds the news. The window's accessible
// interface reports it as the description once set (AccessibleWindows).
constexpr const char* kNewsProperty = "accessibleNews";

// Makes `text` the window's news and tells screen readers of the change.
void announce(QWidget& window, const QString& text);
