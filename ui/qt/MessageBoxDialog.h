#pragma once

#include "SessionShell.h"

#include <cstdint>

class QMessageBox;
class QWidget;

// A real QMessageBox for one of the game's boxes, over `owner`, not shown
// yet. The first button is the default; there is no icon, on the box or its
// buttons, and no help button. Dismissing the box without a button (Escape,
// its close box) gives the request's escape answer.
QMessageBox* createMessageBox(QWidget& owner, const BoxRequest& box);

// What the player answered a box made by createMessageBox once it has
// finished: kAnswerOk, kAnswerYes or kAnswerNo.
std::int16_t messageBoxAnswer(const QMessageBox& box);
