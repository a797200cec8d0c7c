#pragma once

#include "BoardText.h"
#include "GameSession.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// A front-end for tests: it owns a game session as a window does, writes down
// every call the session makes, in order, keeps the rows as shown, and answers
// each box as told. The rules' tests, random play and the fuzz target play
// the game through it, so what they check is the path the program runs.
class RecordingShell : public SessionShell {
public:
    // A box as it was shown, with the board on screen while it was open.
    struct Box : BoxRequest {
        Board board;
    };

    RecordingShell();

    void showSplash(std::int64_t endsMs) override;
    void hideSplash() override;
    void showRow(int row, std::string_view text) override;
    void describeRow(int row, std::string_view description) override;
    void startStepTimer() override;
    void stopStepTimer() override;
    // Answers at once, inside the call, with the next of `answers` (or, with
    // none queued, what Escape answers), unless `answerLater` is set.
    void showBox(const BoxRequest& box) override;
    void sayNews(std::string_view text) override;
    void endProgram() override;

    // What a window's events do: the load and the splash's timer (the board
    // then shows), the step timer's next expiry (the clock moves on to when
    // the session said the step is due), a key-down and the answer to the
    // open box, `afterMs` after the last event.
    void load();
    void beat(int count = 1);
    void press(std::int16_t code);
    void answer(std::int16_t value, std::int64_t afterMs = 1000);

    // Only the entries of the log that start with `prefix`.
    std::vector<std::string> only(const std::string& prefix) const;

    GameSession session{*this};
    std::int64_t nowMs = 5000;
    std::int64_t splashEndsMs = 0;
    std::deque<std::int16_t> answers;
    bool answerLater = false;

    Board rows;
    std::vector<Box> boxes;
    std::vector<std::string> log;
    int ends = 0;
};
