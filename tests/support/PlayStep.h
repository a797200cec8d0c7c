#pragma once

#include "RecordingShell.h"

#include <cstdint>
#include <memory>
#include <string>

// One step of random play, a beat or a key-down, followed by a check of every
// rule the game promises. A box the step opens is answered at once, or left
// open until the next step, which must then change nothing before it answers.
// The randomized test and the fuzz target drive the game through this.
struct PlayStep {
    bool isTick = true;
    std::int16_t code = 0;
    std::int16_t answer = kAnswerOk; // for a box this step opens or finds open
    bool answerLater = false;
};

// True for the six codes of the key table; every other code must do nothing.
bool isCommandKey(std::int16_t code);

// Plays `step` and returns an empty string, or what broke. Once the player
// has quit, the step checks that the ended game ignores it, then starts a new
// one (`game` is replaced).
std::string playStep(std::unique_ptr<RecordingShell>& game, const PlayStep& step);
