#include "frmMain.h"

#include <emscripten/emscripten.h>

#include <optional>

// The page calls these, one at a time, each with the time on its clock: the
// start (when the splash came, or Play again after the end), a key-down, an
// expiry of the splash's or the step timer, and the answer to an open box.

namespace {

// A tab cannot close itself, so after the end the page offers to play again
// in place: a fresh window and session, as if the page had loaded anew.
std::optional<frmMain> window;

std::int64_t ms(double now) {
    return static_cast<std::int64_t>(now);
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void vantrel_load(double now) {
    window.emplace();
    window->session().load(ms(now));
}

EMSCRIPTEN_KEEPALIVE void vantrel_key_down(int keyCode, double now) {
    window->session().keyDown(static_cast<std::int16_t>(keyCode), ms(now));
}

EMSCRIPTEN_KEEPALIVE void vantrel_splash_timer(double now) {
    window->session().splashTimer(ms(now));
}

EMSCRIPTEN_KEEPALIVE void vantrel_step_timer(double now) {
    window->session().step(ms(now));
}

EMSCRIPTEN_KEEPALIVE void vantrel_answer_box(int button, double now) {
    window->answerBox(button, ms(now));
}

} // extern "C"
