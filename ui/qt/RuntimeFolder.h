#pragma once

// At start-up Qt looks for a Wayland socket in the session's runtime folder.
// Where XDG_RUNTIME_DIR is unset (as root, under su or sudo, in a container)
// it prints a warning on the terminal and falls back to a private folder of
// its own in the temporary folder, which it creates if missing. This names
// that same folder beforehand, so Qt uses it exactly as it would have, and
// the player sees nothing. A value already set is left alone, and so is
// Qt's warning about a folder with the wrong owner or permissions.
// Call before QApplication.
void nameRuntimeFolderWhenUnset();
