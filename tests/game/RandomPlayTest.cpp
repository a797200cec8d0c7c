#include "BoardText.h"
#include "KeyCommands.h"
#include "PlayStep.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Long random games through the game session, with a fixed seed so a failure
// can be replayed. Keys come mostly from the game's own table (so games really
// are played: shots, hits, wins and losses) and otherwise from the whole
// signed 16-bit range; a third of the boxes wait for their answer.
TEST(RandomPlayTest, LongRandomGamesKeepEveryRule) {
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> anyCode(-32768, 32767);
    constexpr std::int16_t tableKeys[] = {kKeyLeft, kKeyRight, kKeySpace, kKeySpace,
                                          kKeyX,    kKeyF1,    kKeyEscape};
    constexpr std::int16_t answers[] = {kAnswerOk, kAnswerYes, kAnswerNo};

    auto game = std::make_unique<RecordingShell>();
    game->load();
    int wins = 0;
    int losses = 0;
    for (int i = 0; i < 200000; ++i) {
        PlayStep step;
        const int roll = percent(rng);
        step.isTick = roll < 45;
        if (roll >= 45 && roll < 93) {
            // Restarts and quits are rare, as in play, so waves get far.
            const int pick = percent(rng) < 97 ? percent(rng) % 3 : 3 + percent(rng) % 4;
            step.code = tableKeys[pick];
        } else {
            step.code = static_cast<std::int16_t>(anyCode(rng));
        }
        step.answer = answers[percent(rng) % 3];
        step.answerLater = percent(rng) < 33;
        const std::size_t boxes = game->boxes.size();
        const RecordingShell* played = game.get();
        const std::string broken = playStep(game, step);
        ASSERT_EQ(broken, "") << "step " << i << formatBoard(game->rows);
        if (game.get() == played && game->boxes.size() > boxes) {
            wins += game->boxes.back().kind == BoxKind::Win;
            losses += game->boxes.back().kind == BoxKind::Loss;
        }
    }
    // The walk must actually reach both endings, or it proves little.
    EXPECT_GT(wins, 10);
    EXPECT_GT(losses, 10);
}

} // namespace
