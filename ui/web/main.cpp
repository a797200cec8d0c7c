#include "frmMain.h"

#include <emscripten/emscripten.h>
#include <optional>

// The page calls these three, one at a time: the splash's handover, a key-down
// on the board and an expiry of the step timer. The board exists from the
// handover on; before it the other two do nothing.

namespace {

std::optional<frmMain>& mainWindow() {
    static std::optional<frmMain> window;
    return window;
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void vantrel_show_main() {
    auto& window = mainWindow();
    if (window) {
        return;
    }
    window.emplace();
    window->Form_Load();
}

EMSCRIPTEN_KEEPALIVE void vantrel_key_down(int keyCode, int shift) {
    if (auto& window = mainWindow()) {
        window->Form_KeyDown(static_cast<std::int16_t>(keyCode), static_cast<std::int16_t>(shift));
    }
}

EMSCRIPTEN_KEEPALIVE void vantrel_step_timer() {
    if (auto& window = mainWindow()) {
        window->tmrStep_Timer();
    }
}

} // extern "C"
