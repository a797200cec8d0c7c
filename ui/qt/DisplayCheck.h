#pragma once

#include <string>

// Qt aborts with a core dump when it cannot find a display, which tells a
// player nothing useful. The program checks first and explains instead.

// Returns an explanation for the player when the program cannot possibly
// open a window here, or an empty string when it may try. Only the
// environment is looked at: an explicit QT_QPA_PLATFORM (offscreen, vnc, ...)
// is trusted as it stands.
std::string missingDisplayMessage();
