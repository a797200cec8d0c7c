#pragma once

#include "GameState.h"

#include <array>
#include <string>

// Returns an empty string when the state and the board keep every rule the
// game promises between ticks, else a description of the first broken one.
// Shared by the randomized test and the fuzz target. While the loss box is
// open (`lost`), the wave stands on the cannon's row until the answer.
std::string checkState(const GameState& state, bool lost = false);
std::string checkBoard(const std::array<std::string, kRows>& board);
