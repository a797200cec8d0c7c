#pragma once

#include <functional>

class frmMain;

// Runs the game as the program ships and returns its exit code: explains a
// missing display instead of starting, sets up the QApplication (the
// program's name alone as its command line, its name, version and icon),
// starts the game with its splash marked with the launcher's startup id, and
// runs the event loop. `beforeShow` sees the game's window before anything is
// shown; programs that observe or measure the game hook in there.
int runGame(int argc, char* argv[], const std::function<void(frmMain&)>& beforeShow = {});
