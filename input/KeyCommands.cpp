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

void keyDown(GameState& state, std::int16_t keyCode, std::int16_t /*shift*/, GameServices& ui) {
    switch (applyKey(state, keyCode)) {
    case KeyAction::AskToQuit:
        if (ui.messageBox(kQuitPrompt, kButtonsYesNo, kQuitTitle) == kAnswerYes) {
            ui.endProgram();
        }
        break;
    case KeyAction::ShowHelp:
        ui.messageBox(kHelpPrompt, kButtonsOk, kHelpTitle);
        break;
    case KeyAction::None:
        break;
    }
}
