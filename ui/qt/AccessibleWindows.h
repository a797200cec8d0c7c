#pragma once

// Teaches Qt's accessibility layer what its defaults get wrong for the
// game's windows: the board window and the splash are windows (a "frame" to
// a screen reader), not anonymous fillers, and the splash's picture has a
// description that readers of images find. Safe to call more than once; the
// windows call it when they are created.
void installAccessibleWindows();

// Lets a screen reader started after the game still find it. Qt asks the
// session's accessibility service once, at start-up, whether a reader is
// on, and never notices one that comes later; this tells Qt to join the
// accessibility bus whenever the service exists. Call before QApplication.
void joinAccessibilityBusWhenPresent();
