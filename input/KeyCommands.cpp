#include "KeyCommands.h"

void keyDown(GameState& state, std::int16_t keyCode, std::int16_t /*shift*/, GameServices& ui) {
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
        if (ui.messageBox(kQuitPrompt, kButtonsYesNo, kQuitTitle) == kAnswerYes) {
            ui.endProgram();
        }
        break;
    case kKeyX:
        reset(state);
        break;
    case kKeyF1:
        ui.messageBox(kHelpPrompt, kButtonsOk, kHelpTitle);
        break;
    default:
        break;
    }
}
