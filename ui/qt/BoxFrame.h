#pragma once

#include <string_view>

class QMessageBox;
class QWidget;

// Fits a message box to the desktop before it is shown: its title, never the
// main window's caption again; a width in which the window manager can show
// that title whole beside its buttons; and, where the program places its own
// windows (X11), the box's frame centred on its owner's frame once the window
// manager has framed both. On Wayland the compositor places a box over the
// window it belongs to.
void fitBoxToDesktop(QMessageBox& box, QWidget& owner, std::string_view title);
