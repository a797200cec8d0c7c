#pragma once

#include "GameState.h"

#include <array>
#include <string>

using Board = std::array<std::string, kRows>;

// The board as a block of text, one row a line between bars, so a failing
// comparison shows the picture rather than eight separate strings.
std::string formatBoard(const Board& board);

// The board's rows of a state that was just drawn: only the wave, shot and
// cannon positions, for writing expected pictures compactly.
Board drawnBoard(const GameState& state);
