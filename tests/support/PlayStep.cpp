#include "PlayStep.h"

#include "Invariants.h"
#include "KeyCommands.h"
#include "Tick.h"

bool isCommandKey(std::int16_t code) {
    switch (code) {
    case kKeyLeft:
    case kKeyRight:
    case kKeySpace:
    case kKeyEscape:
    case kKeyX:
    case kKeyF1:
        return true;
    default:
        return false;
    }
}

std::string playStep(GameState& state, FakeServices& ui, const PlayStep& step) {
    const GameState before = state;
    ui.boxes.clear();
    ui.answers = {step.answer};
    std::string broken;
    if (step.isTick) {
        tick(state, ui);
        broken = checkBoard(ui.board());
    } else {
        keyDown(state, step.code, step.shift, ui);
        if (!isCommandKey(step.code) && !(state == before)) {
            broken = "key " + std::to_string(step.code) + " changed the state";
        }
    }
    if (broken.empty()) {
        broken = checkState(state);
    }
    if (broken.empty() && ui.boxes.size() > 1) {
        broken = "one step showed " + std::to_string(ui.boxes.size()) + " boxes";
    }
    return broken;
}
