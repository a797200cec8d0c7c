#include "frmMain.h"

#include "KeyCommands.h"
#include "RowDescription.h"
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

EM_JS(void, pageDescribeRow, (int row, const char* text, int length), {
    Module.page.describeRow(row, UTF8ToString(text, length));
});

EM_JS(void, pageAnnounce, (const char* text, int length), {
    Module.page.announce(UTF8ToString(text, length));
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
    describeRows();
}

void frmMain::Form_Load() {
    reset(m_state);
    m_news.restart(m_state);
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
    if (!m_ended) {
        publishBoard();
        sayNews(false);
    }
}

void frmMain::describeRows() {
    for (std::size_t row = 0; row < m_rowTexts.size(); ++row) {
        std::string description = describeRow(static_cast<int>(row), m_rowTexts[row]);
        if (description != m_rowDescriptions[row]) {
            m_rowDescriptions[row] = std::move(description);
            pageDescribeRow(static_cast<int>(row), m_rowDescriptions[row].data(),
                            length(m_rowDescriptions[row]));
        }
    }
}

void frmMain::publishBoard() {
    // The tick builds each row a glyph at a time; descriptions and news are
    // worked out once the picture is whole, so a reader hears no half rows.
    describeRows();
    m_pendingNews.post(m_news.update(m_state));
}

void frmMain::sayNews(bool evenWithinGap) {
    // The beat is faster than speech: news waits until the last announcement
    // has had its time, and goes out at the first beat after that. The page
    // says it through a polite live region, after whatever the reader is
    // saying already.
    const double now = emscripten_get_now();
    if (m_pendingNews.empty() || (!evenWithinGap && now - m_newsSaidAtMs < NewsQueue::kMinGapMs)) {
        return;
    }
    const std::string text = m_pendingNews.take();
    m_newsSaidAtMs = now;
    pageAnnounce(text.data(), length(text));
}

void frmMain::setRowText(int row, std::string_view text) {
    if (row < 0 || row >= kRows) {
        return;
    }
    std::string& stored = m_rowTexts[static_cast<std::size_t>(row)];
    // The tick rewrites every row; only a real change reaches the page.
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
        // What the tick did before its box (the last hit, the wave reaching
        // the bottom) is said before the box takes the reader's attention.
        publishBoard();
        sayNews(true);
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
