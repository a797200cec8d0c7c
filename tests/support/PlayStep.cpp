#include "PlayStep.h"

#include "Invariants.h"
#include "KeyCommands.h"

bool isCommandKey(std::int16_t code) {
    switch (code) {
    case kKeyLeft:
    case kKeyRight:
    case kKeySpace:
    case kKeyEscape:
    case kKeyX:
    case kKeyF1:
        return true;
    default:
        return false;
    }
}

namespace {

void act(RecordingShell& game, const PlayStep& step) {
    if (step.isTick) {
        game.beat();
    } else {
        game.press(step.code);
    }
}

// What a window can see of the game: the state, the rows and the calls.
bool untouched(const RecordingShell& game, const GameState& before, std::size_t logSize) {
    return game.session.state() == before && game.log.size() == logSize;
}

std::string checkSession(const RecordingShell& game, std::size_t boxesBefore) {
    const GameSession& session = game.session;
    for (int row = 0; row < kRows; ++row) {
        if (game.rows.at(row) != session.rowText(row)) {
            return "row " + std::to_string(row) + " shown is not the session's";
        }
    }
    if (game.boxes.size() > boxesBefore + 1) {
        return "one step showed " + std::to_string(game.boxes.size() - boxesBefore) + " boxes";
    }
    if (session.stepTimerRunning() == (session.openBox() || session.ended())) {
        return "the step timer runs with a box open or the game ended, or stopped without";
    }
    return {};
}

} // namespace

std::string playStep(std::unique_ptr<RecordingShell>& game, const PlayStep& step) {
    const GameState before = game->session.state();
    const std::size_t logSize = game->log.size();
    const std::size_t boxesBefore = game->boxes.size();
    if (game->session.ended()) {
        act(*game, step);
        game->session.answerBox(step.answer, game->nowMs);
        if (!untouched(*game, before, logSize)) {
            return "the ended game moved";
        }
        game = std::make_unique<RecordingShell>();
        game->load();
        return {};
    }
    bool beatRan = false;
    if (game->session.openBox()) {
        // Nothing moves behind a box; then the player answers it.
        act(*game, step);
        if (!untouched(*game, before, logSize)) {
            return "a step or key acted behind an open box";
        }
        game->answer(step.answer, 0);
    } else {
        game->answers = {step.answer};
        game->answerLater = step.answerLater;
        act(*game, step);
        beatRan = step.isTick;
        if (!step.isTick && !isCommandKey(step.code) && !untouched(*game, before, logSize)) {
            return "key " + std::to_string(step.code) + " changed the game";
        }
    }
    const auto& box = game->session.openBox();
    std::string broken = checkState(game->session.state(), box && box->kind == BoxKind::Loss);
    // A beat draws every row; a box it opens shows over a whole picture.
    if (broken.empty() && beatRan) {
        broken = checkBoard(game->rows);
    }
    if (broken.empty()) {
        broken = checkSession(*game, boxesBefore);
    }
    return broken;
}
