#pragma once

#include "GameState.h"

#include <array>
#include <string>

using Board = std::array<std::string, kRows>;

// The board as a block of text, one row a line between bars, so a failing
// comparison shows the picture rather than eight separate strings.
std::string formatBoard(const Board& board);
