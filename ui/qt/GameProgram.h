#pragma once

#include <functional>

class frmSplash;

// Whether the program joins the accessibility bus as it starts, so that a
// screen reader started after it still finds it (AccessibleWindows.h).
enum class LateReaders { Join, Ignore };

// Runs the game as the program ships and returns its exit code: explains a
// missing display instead of starting, sets up the QApplication (the
// program's name alone as its command line, its name, version and icon),
// shows the splash marked with the launcher's startup id, and runs the event
// loop. `beforeShow` sees the splash before it is shown; programs that
// observe or measure the game hook in there.
int runGame(int argc, char* argv[], const std::function<void(frmSplash&)>& beforeShow = {},
            LateReaders lateReaders = LateReaders::Join);
