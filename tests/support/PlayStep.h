#pragma once

#include "FakeServices.h"
#include "GameState.h"

#include <cstdint>
#include <string>

// One step of random play, a tick or a key-down, followed by a check of every
// rule the game promises. Returns an empty string, or what broke. The
// randomized test and the fuzz target drive the game through this.
struct PlayStep {
    bool isTick = true;
    std::int16_t code = 0;
    std::int16_t shift = 0;
    std::int16_t answer = kAnswerOk; // for a box this step may show
};

// True for the six codes of the key table; every other code must do nothing.
bool isCommandKey(std::int16_t code);

std::string playStep(GameState& state, FakeServices& ui, const PlayStep& step);
