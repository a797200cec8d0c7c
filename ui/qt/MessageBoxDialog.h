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
