#include "frmMain.h"

#include <emscripten/emscripten.h>

#include <optional>

// The page calls these, one at a time: the splash's handover (and Play again
// after the end), a key-down on the board, an expiry of the step timer and the
// answer to an open box, each with performance.now(). The session ignores
// whatever comes before the handover, while a box is open or after the end.

namespace {

// A tab cannot close itself, so after the end the page offers to play again
// in place: a fresh window and session, as if the page had loaded anew.
std::optional<frmMain> window;

std::int64_t ms(double now) {
    return static_cast<std::int64_t>(now);
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void vantrel_show_main(double now) {
    window.emplace();
    window->Form_Load(ms(now));
}

EMSCRIPTEN_KEEPALIVE void vantrel_key_down(int keyCode, int shift, double now) {
    window->Form_KeyDown(static_cast<std::int16_t>(keyCode), static_cast<std::int16_t>(shift),
                         ms(now));
}

EMSCRIPTEN_KEEPALIVE void vantrel_step_timer(double now) {
    window->tmrStep_Timer(ms(now));
}

EMSCRIPTEN_KEEPALIVE void vantrel_answer_box(int firstButton, double now) {
    window->answerBox(firstButton != 0, ms(now));
}

} // extern "C"
