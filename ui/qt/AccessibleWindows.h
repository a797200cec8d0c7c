#pragma once

class QString;
class QWidget;

// Teaches Qt's accessibility layer what its defaults get wrong for the
// game's windows: the board window and the splash are windows (a "frame" to
// a screen reader), not anonymous fillers, and the splash's picture has a
// description that readers of images find. Safe to call more than once; the
// windows call it when they are created.
void installAccessibleWindows();

// Gives a game window (frmMain, frmSplash) the description screen readers
// read for it, without telling them of a change. A window's description is
// static, set once as the window is made, and a reader must never hear it as
// news: Qt 6.8 reports every QWidget::setAccessibleDescription as a change
// that carries the new text, which a reader speaks like news (the board's
// description reached one 0.35 s before the first news of the game).
void describeGameWindow(QWidget& window, const QString& description);

// Lets a screen reader started after the game still find it. Qt asks the
// session's accessibility service once, at start-up, whether a reader is
// on, and never notices one that comes later; this tells Qt to join the
// accessibility bus whenever the service exists. Call before QApplication.
void joinAccessibilityBusWhenPresent();
