#pragma once

#include "GameSession.h"
#include "SessionShell.h"

#include <cstdint>
#include <optional>
#include <ostream>

// The window, played by a script: the session keeps the rows, every message
// box is printed and answered on the spot from the script, and the replay
// stops once the session has ended. The script starts on the board, as the
// splash's time runs out.
class ReplayShell : public SessionShell {
public:
    explicit ReplayShell(std::ostream& out);

    void showSplash(std::int64_t endsMs) override { m_nowMs = endsMs; }
    void hideSplash() override {}
    void showRow(int /*row*/, std::string_view /*text*/) override {}
    void describeRow(int /*row*/, std::string_view /*description*/) override {}
    void startStepTimer() override {}
    void stopStepTimer() override {}
    void showBox(const BoxRequest& box) override;
    void sayNews(std::string_view /*text*/) override {}
    void endProgram() override {}

    // The script's commands. Each tick is one beat later on a clock of its own.
    void tick();
    void key(std::int16_t code) { m_session.keyDown(code, m_nowMs); }
    // The answer the next box returns; used once, then boxes fall back to
    // what Escape answers.
    void setNextAnswer(std::int16_t answer) { m_nextAnswer = answer; }
    bool ended() const { return m_session.ended(); }
    void printBoard() const;
    void printState() const;

private:
    std::ostream& m_out;
    GameSession m_session{*this};
    std::int64_t m_nowMs = 0;
    std::optional<std::int16_t> m_nextAnswer;
};
