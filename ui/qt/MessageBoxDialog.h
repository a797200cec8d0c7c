#pragma once

#include <cstdint>
#include <string_view>

class QWidget;

// Shows a real modal QMessageBox over `owner` and waits for the player.
// `buttons` is kButtonsOk or kButtonsYesNo; the first button is the default,
// there is no icon, on the box or its buttons, and no help button. Returns kAnswerOk, kAnswerYes or
// kAnswerNo. Dismissing the box without a button (Escape, its close box)
// counts as OK for an OK box and as No for a Yes/No box, so that quitting
// always needs an explicit Yes.
std::int16_t showMessageBox(QWidget& owner, std::string_view prompt, std::int16_t buttons,
                            std::string_view title);

// Whether a box takes the keyboard when it comes up.
enum class BoxFocus {
    // Always: the box answers one of the player's own keys (help, quit).
    Take,
    // Only while `owner` is the active window. Otherwise the box comes up
    // without the focus, the game asks for attention, and the box takes the
    // keyboard once the player comes back to the game. showMessageBox above
    // behaves this way.
    TakeIfActive,
};

std::int16_t showMessageBoxWithFocus(QWidget& owner, std::string_view prompt, std::int16_t buttons,
                                     std::string_view title, BoxFocus focus);
