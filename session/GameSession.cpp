#include "GameSession.h"

#include "Figures.h"
#include "KeyCommands.h"
#include "RowDescription.h"
#include "Tick.h"

#include <utility>

namespace {

// Each kind of box in one place: a Yes/No question only when asking to quit,
// where Escape (or a close) means No; the others are told with OK.
BoxRequest boxOf(BoxKind kind, std::string prompt, std::string_view title) {
    const bool question = kind == BoxKind::Quit;
    return {std::move(prompt), question ? kButtonsYesNo : kButtonsOk, std::string(title), kind,
            question ? kAnswerNo : kAnswerOk};
}

// The opening picture is that of a freshly reset game, so the board looks
// right during the first beat, before the first step redraws it.
constexpr std::array<std::string_view, kRows> kOpeningRows = {
    "V V V V", // the wave in columns 0, 2, 4 and 6
    "",         "", "", "", "", "",
    "       A", // the cannon in column 7
};

std::size_t rowIndex(int row) {
    return static_cast<std::size_t>(row);
}

} // namespace

GameSession::Rows::Rows(SessionShell& shell) : m_shell(shell) {
    for (int row = 0; row < kRows; ++row) {
        m_texts[rowIndex(row)] = kOpeningRows[rowIndex(row)];
    }
}

void GameSession::Rows::setRowText(int row, std::string_view text) {
    std::string& stored = m_texts.at(rowIndex(row));
    // The drawing pass rewrites every row each beat; only a real change
    // reaches the screen.
    if (stored == text) {
        return;
    }
    stored = text;
    m_changed[rowIndex(row)] = true;
    m_shell.showRow(row, stored);
}

const std::string& GameSession::Rows::text(int row) const {
    return m_texts.at(rowIndex(row));
}

bool GameSession::Rows::takeChanged(int row) {
    return std::exchange(m_changed.at(rowIndex(row)), false);
}

GameSession::GameSession(SessionShell& shell) : m_shell(shell), m_rows(shell) {
    reset(m_state);
    for (int row = 0; row < kRows; ++row) {
        m_descriptions[rowIndex(row)] = describeRow(row, m_rows.text(row));
    }
}

const std::string& GameSession::rowText(int row) const {
    return m_rows.text(row);
}

const std::string& GameSession::rowDescription(int row) const {
    return m_descriptions.at(rowIndex(row));
}

void GameSession::load(std::int64_t nowMs) {
    if (m_phase != Phase::Unloaded) {
        return;
    }
    m_phase = Phase::Splash;
    m_shell.showSplash(nowMs + kSplashMs);
}

void GameSession::splashTimer(std::int64_t nowMs) {
    endSplash(nowMs);
}

void GameSession::endSplash(std::int64_t nowMs) {
    // A key and the timer can both fall due before either is handled; only
    // the first ends the splash.
    if (m_phase != Phase::Splash) {
        return;
    }
    m_phase = Phase::Board;
    m_shell.hideSplash();
    // The board opens on the picture of a fresh game, drawn whole, as a
    // window's rows start out empty; from here on only changes are drawn.
    reset(m_state);
    m_news.restart(m_state);
    for (int row = 0; row < kRows; ++row) {
        m_shell.showRow(row, m_rows.text(row));
        m_shell.describeRow(row, m_descriptions[rowIndex(row)]);
    }
    startTimer(nowMs);
}

void GameSession::step(std::int64_t nowMs) {
    if (!live() || !m_timerRunning) {
        return;
    }
    // The next beat is due one interval after this one was; a step that came
    // more than an interval late starts the count again rather than leaving
    // a burst of beats due at once.
    m_nextStepDueMs += kTickMs;
    if (m_nextStepDueMs <= nowMs) {
        m_nextStepDueMs = nowMs + kTickMs;
    }
    if (marchPhase(m_state)) {
        // The board still shows the wave on the row above while the box is
        // open; the game starts over once the player has read it, and the
        // same beat then draws the fresh game.
        openBox(boxOf(BoxKind::Loss, std::string(kLossPrompt), kLossTitle), AfterBox::ResetAndDraw,
                nowMs);
        return;
    }
    drawAndFinish(nowMs);
}

void GameSession::drawAndFinish(std::int64_t nowMs) {
    if (drawPhase(m_state, m_rows)) {
        // The box shows over the picture just drawn, with the last hit.
        openBox(boxOf(BoxKind::Win, winPrompt(m_state), kWinTitle), AfterBox::Reset, nowMs);
        return;
    }
    publishBoard();
    sayNews(nowMs, false);
}

void GameSession::keyDown(std::int16_t keyCode, std::int64_t nowMs) {
    if (m_phase == Phase::Splash) {
        endSplash(nowMs); // the key only ends the splash
        return;
    }
    if (!live()) {
        return;
    }
    switch (applyKey(m_state, keyCode)) {
    case KeyAction::AskToQuit:
        openBox(boxOf(BoxKind::Quit, std::string(kQuitPrompt), kQuitTitle), AfterBox::QuitIfYes,
                nowMs);
        break;
    case KeyAction::ShowHelp:
        openBox(boxOf(BoxKind::Help, std::string(kHelpPrompt), kHelpTitle), AfterBox::Nothing,
                nowMs);
        break;
    case KeyAction::None:
        break;
    }
}

void GameSession::openBox(BoxRequest box, AfterBox after, std::int64_t nowMs) {
    // No step may run while a box waits for the player: a loss or win resets
    // the game only once its box is answered. The timer stops for every box
    // and restarts with a full interval afterwards, so the player also gets a
    // whole beat after reading help or declining to quit.
    stopTimer();
    // What the beat did before its box (the last hit, the wave reaching the
    // bottom) is said before the box takes the player's attention.
    publishBoard();
    sayNews(nowMs, true);
    m_box = std::move(box);
    m_afterBox = after;
    // Last, because a front-end with blocking boxes answers inside this call,
    // and the answer runs the rest of the event.
    m_shell.showBox(*m_box);
}

void GameSession::answerBox(std::int16_t answer, std::int64_t nowMs) {
    if (!m_box || ended()) {
        return;
    }
    const AfterBox after = m_afterBox;
    m_afterBox = AfterBox::Nothing;
    if (after == AfterBox::QuitIfYes && answer == kAnswerYes) {
        // Ending the game closes its box too; the box is closed once, here,
        // and not first by hand and then again by end().
        end();
        m_shell.endProgram();
        return;
    }
    m_box.reset();
    switch (after) {
    case AfterBox::ResetAndDraw:
        reset(m_state);
        drawAndFinish(nowMs);
        break;
    case AfterBox::Reset:
        reset(m_state);
        publishBoard();
        sayNews(nowMs, false);
        break;
    case AfterBox::QuitIfYes:
    case AfterBox::Nothing:
        break;
    }
    if (!m_box && !ended()) {
        startTimer(nowMs);
    }
}

void GameSession::close() {
    end();
}

void GameSession::end() {
    if (ended()) {
        return;
    }
    m_phase = Phase::Ended;
    m_box.reset();
    stopTimer();
}

void GameSession::startTimer(std::int64_t nowMs) {
    m_timerRunning = true;
    m_nextStepDueMs = nowMs + kTickMs;
    m_shell.startStepTimer();
}

void GameSession::stopTimer() {
    if (!m_timerRunning) {
        return;
    }
    m_timerRunning = false;
    m_shell.stopStepTimer();
}

void GameSession::publishBoard() {
    // The drawing pass builds the rows one by one; descriptions and news are
    // worked out once the picture is whole, so a reader hears no half rows.
    // A row the pass left as it was keeps its description.
    for (int row = 0; row < kRows; ++row) {
        if (!m_rows.takeChanged(row)) {
            continue;
        }
        std::string description = describeRow(row, m_rows.text(row));
        std::string& stored = m_descriptions[rowIndex(row)];
        if (description != stored) {
            stored = std::move(description);
            m_shell.describeRow(row, stored);
        }
    }
    m_pendingNews.post(m_news.update(m_state));
}

void GameSession::sayNews(std::int64_t nowMs, bool evenWithinGap) {
    // The beat is faster than speech: news waits until the last announcement
    // has had its time and goes out at the first beat after that, all that
    // piled up said together. A box about to open cannot wait.
    if (m_pendingNews.empty()) {
        return;
    }
    if (!evenWithinGap && m_newsSaidAtMs && nowMs - *m_newsSaidAtMs < NewsQueue::kMinGapMs) {
        return;
    }
    m_lastNews = m_pendingNews.take();
    m_newsSaidAtMs = nowMs;
    m_shell.sayNews(m_lastNews);
}
