#include "frmMain.h"

#include "KeyCommands.h"
#include "Tick.h"

#include <emscripten/emscripten.h>

namespace {

// The opening picture is that of a freshly reset game, so the board looks
// right during the quarter second before the first tick redraws it.
constexpr std::array<std::string_view, kRows> kOpeningRows = {
    "V V V V", // the wave in columns 0, 2, 4 and 6
    "",         "", "", "", "", "",
    "       A", // the cannon in column 7
};

// The page's side of each service. Strings cross as UTF-8 with an explicit
// length, since a string_view need not end in a NUL.

// clang-format off
EM_JS(void, pageSetRow, (int row, const char* text, int length), {
    Module.page.setRow(row, UTF8ToString(text, length));
});

EM_JS(void, pageStartStepTimer, (), {
    Module.page.startStepTimer();
});

EM_JS(void, pageStopStepTimer, (), {
    Module.page.stopStepTimer();
});

EM_JS(int, pageStepTimerRunning, (), {
    return Module.page.stepTimerRunning() ? 1 : 0;
});

// The box is an HTML dialog, answered long after this call began: the wasm
// stack is put aside until the player's answer arrives.
EM_ASYNC_JS(int, pageShowBox, (const char* prompt, int promptLength, int buttons,
                               const char* title, int titleLength), {
    return await Module.page.showBox(UTF8ToString(prompt, promptLength), buttons,
                                     UTF8ToString(title, titleLength));
});

EM_JS(void, pageEnd, (), {
    Module.page.end();
});
// clang-format on

int length(std::string_view text) {
    return static_cast<int>(text.size());
}

} // namespace

frmMain::frmMain() {
    for (int row = 0; row < kRows; ++row) {
        setRowText(row, kOpeningRows[static_cast<std::size_t>(row)]);
    }
}

void frmMain::Form_Load() {
    reset(m_state);
    pageStartStepTimer();
}

void frmMain::Form_KeyDown(std::int16_t keyCode, std::int16_t shift) {
    if (m_ended) {
        return;
    }
    keyDown(m_state, keyCode, shift, *this);
}

void frmMain::tmrStep_Timer() {
    if (m_ended) {
        return;
    }
    tick(m_state, *this);
}

void frmMain::setRowText(int row, std::string_view text) {
    if (row < 0 || row >= kRows) {
        return;
    }
    std::string& stored = m_rowTexts[static_cast<std::size_t>(row)];
    // The tick rewrites every row; only a real change reaches the page, so a
    // screen reader announces what moved and nothing else.
    if (stored == text) {
        return;
    }
    stored = std::string(text);
    pageSetRow(row, stored.data(), length(stored));
}

std::string frmMain::rowText(int row) const {
    if (row < 0 || row >= kRows) {
        return {};
    }
    return m_rowTexts[static_cast<std::size_t>(row)];
}

std::int16_t frmMain::messageBox(std::string_view prompt, std::int16_t buttons,
                                 std::string_view title) {
    // No tick may start while a box waits for the player: the tick that showed
    // a loss or win box resets the game only once the box has closed. The
    // timer stops for every box and restarts with a full interval afterwards,
    // as on the desktop.
    if (m_openBoxes++ == 0) {
        m_resumeAfterBoxes = pageStepTimerRunning() != 0;
        pageStopStepTimer();
    }
    const int answer =
        pageShowBox(prompt.data(), length(prompt), buttons, title.data(), length(title));
    if (--m_openBoxes == 0 && !m_ended && m_resumeAfterBoxes) {
        pageStartStepTimer();
    }
    return static_cast<std::int16_t>(answer);
}

void frmMain::endProgram() {
    m_ended = true;
    pageStopStepTimer();
    pageEnd();
}
