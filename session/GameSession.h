#pragma once

#include "GameNews.h"
#include "GameState.h"
#include "NewsQueue.h"
#include "SessionShell.h"
#include "Tick.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Everything between the rules and a window that is the same on every
// platform: the one GameState, the board rows as the player last saw them,
// the step timer's schedule, the boxes and what follows each answer, the
// ended state, and the news for a screen reader with its speaking pace.
//
// It never reads a clock. The front-end passes in a monotonic time in
// milliseconds with each event, and the session tells the front-end, through
// its SessionShell, what to show and when the step timer runs.
class GameSession {
public:
    explicit GameSession(SessionShell& shell);

    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;

    // The program has started: the splash shows, until a key or kSplashMs
    // from now, and then the board opens and the game starts. Only the first
    // call counts.
    void load(std::int64_t nowMs);

    // The splash's timer expired: the splash ends, as a key would end it.
    void splashTimer(std::int64_t nowMs);

    // The step timer expired: one beat of the game. Ignored during the
    // splash, while a box is open and once the game has ended.
    void step(std::int64_t nowMs);

    // A key-down, as a Windows virtual key code. A key during the splash
    // ends it and does nothing else. Ignored before the load, while a box is
    // open and once the game has ended.
    void keyDown(std::int16_t keyCode, std::int64_t nowMs);

    // The player answered the open box. The rest of the beat or key that asked
    // for the box runs now, and the step timer starts again with a full
    // interval unless the game ended or another box opened.
    void answerBox(std::int16_t answer, std::int64_t nowMs);

    // The player closed the game's window (the board or the splash): the game
    // ends without a question.
    void close();

    // The board as shown: exact texts, trailing blanks included. Before the
    // first beat, the opening picture of a freshly reset game.
    const std::string& rowText(int row) const;
    // What a screen reader is told of each row.
    const std::string& rowDescription(int row) const;

    // The box waiting for an answer, if any.
    const std::optional<BoxRequest>& openBox() const { return m_box; }
    // Whether the title picture shows, and whether the board does: the
    // splash has ended and the game has not.
    bool splashShowing() const { return m_phase == Phase::Splash; }
    bool boardShowing() const { return m_phase == Phase::Board; }
    bool ended() const { return m_phase == Phase::Ended; }
    bool stepTimerRunning() const { return m_timerRunning; }
    // When the next step is due while the timer runs: one interval after the
    // timer (re)started, then one interval after each due time, so the beat
    // keeps its phase. A front-end without periodic timers waits until then.
    std::int64_t nextStepDueMs() const { return m_nextStepDueMs; }
    // The last news said, empty before the first.
    const std::string& lastNews() const { return m_lastNews; }

    // The game itself, for tests that set up a position.
    GameState& state() { return m_state; }
    const GameState& state() const { return m_state; }

private:
    // Where the program is: not started, the splash, the board, or ended.
    enum class Phase { Unloaded, Splash, Board, Ended };

    // What the rest of the event does once the open box is answered.
    enum class AfterBox { Nothing, QuitIfYes, ResetAndDraw, Reset };

    // The rows the drawing pass writes: kept here, and passed on to the
    // front-end only when they change.
    class Rows : public BoardRows {
    public:
        explicit Rows(SessionShell& shell);
        void setRowText(int row, std::string_view text) override;
        const std::string& text(int row) const;
        // Whether row `row` changed since the last call for it, which clears
        // the mark.
        bool takeChanged(int row);

    private:
        SessionShell& m_shell;
        std::array<std::string, kRows> m_texts;
        std::array<bool, kRows> m_changed{};
    };

    bool live() const { return m_phase == Phase::Board && !m_box; }
    void endSplash(std::int64_t nowMs);
    void drawAndFinish(std::int64_t nowMs);
    void openBox(BoxRequest box, AfterBox after, std::int64_t nowMs);
    void startTimer(std::int64_t nowMs);
    void stopTimer();
    void end();
    void publishBoard();
    void sayNews(std::int64_t nowMs, bool evenWithinGap);

    SessionShell& m_shell;
    GameState m_state;
    Rows m_rows;
    std::array<std::string, kRows> m_descriptions;
    std::optional<BoxRequest> m_box;
    AfterBox m_afterBox = AfterBox::Nothing;
    GameNews m_news;
    NewsQueue m_pendingNews;
    std::optional<std::int64_t> m_newsSaidAtMs;
    std::string m_lastNews;
    std::int64_t m_nextStepDueMs = 0;
    bool m_timerRunning = false;
    Phase m_phase = Phase::Unloaded;
};
