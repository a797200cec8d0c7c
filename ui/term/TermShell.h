#pragma once

#include "GameSession.h"
#include "SessionShell.h"

#include <cstdint>
#include <optional>

class TermScreen;
class TerminalGuard;

// The game in a terminal: the session, a loop that waits for a key, a signal
// or the next beat, and the terminal's ways of showing the splash, the board,
// the news and the boxes. One thread, one event at a time.
class TermShell : public SessionShell {
public:
    TermShell(TerminalGuard& guard, TermScreen& screen);

    // Plays until the player quits (returns the exit status) or a signal
    // ends the program (does not return).
    int run();

    // SessionShell.
    void showSplash(std::int64_t endsMs) override;
    void hideSplash() override { m_dirty = true; }
    void showRow(int /*row*/, std::string_view /*text*/) override { m_dirty = true; }
    void describeRow(int /*row*/, std::string_view /*description*/) override {}
    // The loop asks the session whether the timer runs and when it is due.
    void startStepTimer() override {}
    void stopStepTimer() override {}
    void showBox(const BoxRequest& box) override;
    void sayNews(std::string_view /*text*/) override { m_dirty = true; }
    void endProgram() override { m_running = false; }

private:
    // The game's clock: monotonic milliseconds that stand still while the
    // game is paused (too small a terminal, or suspended), so that the beat
    // and the splash resume where they were.
    std::int64_t now() const;
    void pauseClock();
    void resumeClock();

    int msUntilNextEvent() const;
    void draw();
    void handleSignals();
    // The next key waiting, or ERR.
    int nextKey();
    void readKeys();
    void runTimers();

    void boxKey(int key);

    TerminalGuard& m_guard;
    TermScreen& m_screen;
    GameSession m_session{*this};
    int m_boxFocus = 0;
    std::int64_t m_splashEndsMs = 0;
    std::int64_t m_pausedMs = 0;
    std::optional<std::int64_t> m_pausedSince;
    bool m_running = true;
    bool m_dirty = true;
    bool m_fits = true;
};
