#pragma once

#include "SessionShell.h"

#include <cstdint>

class QMessageBox;
class QWidget;

// A real QMessageBox for one of the game's boxes, over `owner`, not shown
// yet. The first button is the default; there is no icon, on the box or its
// buttons, and no help button. Dismissing the box without a button (Escape,
// its close box) counts as OK for an OK box and as No for a Yes/No box, so
// that quitting always needs an explicit Yes.
QMessageBox* createMessageBox(QWidget& owner, const BoxRequest& box);

// What the player answered a box made by createMessageBox once it has
// finished: kAnswerOk, kAnswerYes or kAnswerNo.
std::int16_t messageBoxAnswer(const QMessageBox& box);
