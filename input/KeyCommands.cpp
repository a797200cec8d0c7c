#include "KeyCommands.h"

KeyAction applyKey(GameState& state, std::int16_t keyCode) {
    switch (keyCode) {
    case kKeyLeft:
        state.keyLeft = 1;
        break;
    case kKeyRight:
        state.keyRight = 1;
        break;
    case kKeySpace:
        state.keyFire = 1;
        break;
    case kKeyEscape:
        return KeyAction::AskToQuit;
    case kKeyX:
        reset(state);
        break;
    case kKeyF1:
        return KeyAction::ShowHelp;
    default:
        break;
    }
    return KeyAction::None;
}
