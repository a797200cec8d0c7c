#include "Figures.h"
#include "GameNews.h"
#include "KeyCommands.h"
#include "PlayStep.h"
#include "RecordingShell.h"
#include "RowDescription.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class GameSessionTest : public ::testing::Test {
protected:
    GameSessionTest() { shell.answerLater = true; }

    // The program starts and the splash's time runs out.
    void load() {
        shell.load();
        shell.log.clear();
    }
    void beat(int count = 1) {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(session.stepTimerRunning());
            shell.beat();
        }
    }
    void answer(std::int16_t value, std::int64_t afterMs = 1000) { shell.answer(value, afterMs); }

    RecordingShell shell;
    GameSession& session = shell.session;
    std::int64_t& now = shell.nowMs;
};

const std::string kBlank(kColumns, ' ');

TEST_F(GameSessionTest, TheSplashEndsAtItsTimeAndTheBoardOpensOnTheResetPicture) {
    // Nothing happens before the program has started.
    session.step(now);
    session.keyDown(kKeyEscape, now);
    session.splashTimer(now);
    EXPECT_TRUE(shell.log.empty());

    session.load(now);
    EXPECT_EQ(shell.log,
              std::vector<std::string>{"splash until " + std::to_string(now + kSplashMs)});
    session.load(now + 10); // only the first load counts
    session.step(now + kTickMs);
    EXPECT_EQ(shell.log.size(), 1u);
    EXPECT_TRUE(session.splashShowing());

    shell.log.clear();
    session.splashTimer(now + kSplashMs);
    // The splash goes, and the whole opening picture is drawn in its place.
    std::vector<std::string> expected{"splash gone"};
    const std::array<std::string, kRows> opening{"V V V V", "", "", "", "", "", "", "       A"};
    for (int row = 0; row < kRows; ++row) {
        expected.push_back("row " + std::to_string(row) + " |" + opening.at(row) + "|");
        expected.push_back("describe " + std::to_string(row) + " " + session.rowDescription(row));
    }
    expected.emplace_back("timer start");
    EXPECT_EQ(shell.log, expected);
    EXPECT_EQ(session.rowDescription(7), "Board row 8 of 8: cannon in column 8");
    EXPECT_TRUE(session.boardShowing());
    EXPECT_EQ(session.nextStepDueMs(), now + kSplashMs + kTickMs);
    // A key or a timer already on its way does not end the splash again.
    session.splashTimer(now + kSplashMs + 5);
    EXPECT_EQ(shell.log.size(), expected.size());
}

TEST_F(GameSessionTest, AKeyEndsTheSplashAndDoesNothingElse) {
    GameState fresh;
    reset(fresh);
    for (const std::int16_t key : {kKeyEscape, kKeyF1, kKeyLeft, kKeySpace, kKeyX}) {
        RecordingShell other;
        other.answerLater = true;
        GameSession& game = other.session;
        game.load(now);
        game.keyDown(key, now + 300);
        EXPECT_TRUE(game.boardShowing());
        EXPECT_FALSE(game.openBox());
        EXPECT_EQ(game.state(), fresh) << key; // no latch, no restart
        EXPECT_EQ(game.nextStepDueMs(), now + 300 + kTickMs);
        EXPECT_EQ(other.only("box"), std::vector<std::string>{});
        game.splashTimer(now + kSplashMs); // the timer that was still running
        EXPECT_EQ(other.only("splash gone").size(), 1u);
    }
    // Closing the splash ends the program before it starts.
    session.load(now);
    session.close();
    session.splashTimer(now + kSplashMs);
    session.keyDown(kKeySpace, now);
    EXPECT_TRUE(session.ended());
    EXPECT_EQ(shell.only("splash gone"), std::vector<std::string>{});
}

TEST_F(GameSessionTest, EachStepIsOneBeatAndOnlyChangedRowsReachTheScreen) {
    load();
    beat();
    EXPECT_EQ(shell.only("row "),
              (std::vector<std::string>{"row 0 | V V V V       |", "row 1 |" + kBlank + "|",
                                        "row 2 |" + kBlank + "|", "row 3 |" + kBlank + "|",
                                        "row 4 |" + kBlank + "|", "row 5 |" + kBlank + "|",
                                        "row 6 |" + kBlank + "|", "row 7 |       A       |"}));
    shell.log.clear();
    beat();
    EXPECT_EQ(shell.only("row "), std::vector<std::string>{"row 0 |  V V V V      |"});
    // The schedule keeps its phase: a late expiry does not shift later beats,
    // and one more than an interval late starts the count again.
    const std::int64_t due = session.nextStepDueMs();
    session.step(due + 40);
    EXPECT_EQ(session.nextStepDueMs(), due + kTickMs);
    session.step(due + 3 * kTickMs);
    EXPECT_EQ(session.nextStepDueMs(), due + 4 * kTickMs);
}

TEST_F(GameSessionTest, KeysLatchUntilTheNextStepAndXRestarts) {
    load();
    // A held key repeats; its latch takes it once.
    for (int repeat = 0; repeat < 3; ++repeat) {
        session.keyDown(kKeyLeft, now);
        session.keyDown(kKeySpace, now);
    }
    EXPECT_TRUE(shell.log.empty());
    beat();
    EXPECT_EQ(session.rowText(7), "      A        ");
    EXPECT_EQ(session.rowText(6), "      '        ");
    session.keyDown(kKeyRight, now);
    session.keyDown(kKeyX, now);
    GameState fresh;
    reset(fresh);
    EXPECT_EQ(session.state(), fresh);                // the latch too
    EXPECT_EQ(session.rowText(7), "      A        "); // redrawn only by the next step
}

TEST_F(GameSessionTest, EveryOtherCodeDoesNothing) {
    load();
    session.state().cannonCol = 4; // a game in progress, so that a restart shows
    const GameState before = session.state();
    for (int code = -32768; code <= 32767; ++code) {
        if (!isCommandKey(static_cast<std::int16_t>(code))) {
            session.keyDown(static_cast<std::int16_t>(code), now);
        }
    }
    EXPECT_EQ(session.state(), before);
    EXPECT_TRUE(shell.log.empty());
}

TEST_F(GameSessionTest, NoStepOrKeyWhileABoxIsOpenAndAFullBeatAfterTheAnswer) {
    load();
    beat(2);
    shell.log.clear();
    const GameState before = session.state();
    session.keyDown(kKeyF1, now);
    EXPECT_EQ(shell.log, (std::vector<std::string>{"timer stop",
                                                   "box Help File: " + std::string(kHelpPrompt)}));
    ASSERT_TRUE(session.openBox());
    EXPECT_EQ(*session.openBox(), (BoxRequest{std::string(kHelpPrompt), kButtonsOk, "Help File",
                                              BoxKind::Help, kAnswerOk}));
    session.step(now + kTickMs);
    session.keyDown(kKeyRight, now);
    session.keyDown(kKeyEscape, now);
    EXPECT_EQ(session.state(), before);
    EXPECT_EQ(shell.log.size(), 2u);

    answer(kAnswerOk, 3000);
    EXPECT_FALSE(session.openBox());
    EXPECT_EQ(shell.log.back(), "timer start");
    EXPECT_EQ(session.nextStepDueMs(), now + kTickMs);
    session.answerBox(kAnswerOk, now); // a second answer has nothing to answer
    EXPECT_EQ(shell.only("timer start").size(), 1u);
}

TEST_F(GameSessionTest, LossBoxShowsOverTheLastPictureAndTheSameBeatDrawsTheNewGame) {
    load();
    // Unopposed, the wave drops every ninth beat and reaches the bottom on the 63rd.
    for (int t = 1; t <= 62; ++t) {
        beat();
        ASSERT_EQ(session.state().waveRow, t / 9) << "after beat " << t;
    }
    EXPECT_EQ(session.rowText(6), "        V V V V");
    shell.log.clear();
    beat();
    ASSERT_TRUE(session.openBox());
    EXPECT_EQ(*session.openBox(),
              (BoxRequest{"You lose!", kButtonsOk, "Sorry!", BoxKind::Loss, kAnswerOk}));
    EXPECT_EQ(shell.only("row "), std::vector<std::string>{}); // the wave still on row 6
    EXPECT_EQ(shell.log.front(), "timer stop");
    EXPECT_EQ(shell.log.back(), "box Sorry!: You lose!");

    shell.log.clear();
    answer(kAnswerOk);
    EXPECT_EQ(shell.only("row "),
              (std::vector<std::string>{"row 0 |V V V V        |", "row 6 |" + kBlank + "|"}));
    EXPECT_EQ(shell.log.back(), "timer start");
    EXPECT_EQ(session.state().alienCol, kAlienStartCols);
}

TEST_F(GameSessionTest, WinBoxShowsTheHitThenTheGameStartsOverAtTheNextBeat) {
    load();
    GameState& s = session.state();
    s.alienCol = {kNone, kNone, kNone, 6};
    s.waveRow = 4;
    s.shotCol = 7;
    s.shotRow = 5; // rises into the cell the last alien steps into
    beat();
    EXPECT_EQ(session.rowText(4), "       O       ");
    ASSERT_TRUE(session.openBox());
    EXPECT_EQ(*session.openBox(), (BoxRequest{"You win! Your score was: 3", kButtonsOk,
                                              "Congratulations!", BoxKind::Win, kAnswerOk}));
    answer(kAnswerOk);
    EXPECT_EQ(session.state().alienCol, kAlienStartCols);
    EXPECT_EQ(session.rowText(4), "       O       "); // redrawn only by the next beat
    beat();
    EXPECT_EQ(session.rowText(0), " V V V V       ");
}

TEST_F(GameSessionTest, BlockingBoxesRunTheSameCallsInTheSameOrder) {
    load();
    beat(62);
    beat();
    answer(kAnswerOk, 0);
    const std::vector<std::string> answeredLater = shell.log;

    RecordingShell blocking;
    blocking.load();
    blocking.log.clear();
    blocking.beat(63);
    EXPECT_EQ(blocking.log, answeredLater);
    EXPECT_FALSE(blocking.session.openBox());
    EXPECT_TRUE(blocking.session.stepTimerRunning());
}

TEST_F(GameSessionTest, QuitQuestionNoChangesNothingYesEndsForGood) {
    load();
    session.keyDown(kKeyRight, now);
    const GameState before = session.state();
    session.keyDown(kKeyEscape, now);
    EXPECT_EQ(*session.openBox(),
              (BoxRequest{std::string(kQuitPrompt), kButtonsYesNo, "", BoxKind::Quit, kAnswerNo}));
    answer(kAnswerNo);
    EXPECT_EQ(session.state(), before); // the latch too
    EXPECT_TRUE(session.stepTimerRunning());
    session.keyDown(kKeyEscape, now);
    answer(kAnswerOk); // anything but Yes is not a yes
    EXPECT_TRUE(shell.only("end").empty());

    session.keyDown(kKeyEscape, now);
    shell.log.clear();
    answer(kAnswerYes);
    EXPECT_EQ(shell.log, std::vector<std::string>{"end"});
    EXPECT_TRUE(session.ended());
    EXPECT_FALSE(session.stepTimerRunning());
    session.step(now + kTickMs);
    session.keyDown(kKeyEscape, now);
    session.answerBox(kAnswerYes, now);
    EXPECT_EQ(shell.log, std::vector<std::string>{"end"});
}

TEST_F(GameSessionTest, ClosingTheWindowEndsWithoutAQuestion) {
    load();
    session.close();
    EXPECT_TRUE(session.ended());
    EXPECT_EQ(shell.log, std::vector<std::string>{"timer stop"});
    session.step(now);
    session.load(now);
    EXPECT_EQ(shell.log.size(), 1u);
}

TEST_F(GameSessionTest, NewsIsPacedForSpeechAndSaidBeforeABox) {
    load();
    beat();
    // The first news goes out at once; every cannon move after it waits for
    // the gap, and only the latest column is said.
    EXPECT_EQ(shell.only("news "), std::vector<std::string>{});
    session.keyDown(kKeyRight, now);
    beat();
    EXPECT_EQ(shell.only("news "), std::vector<std::string>{"news cannon column 9"});
    session.keyDown(kKeyRight, now);
    beat();
    session.keyDown(kKeyRight, now);
    beat();
    EXPECT_EQ(shell.only("news ").size(), 1u); // 500 ms since the last news
    beat();
    EXPECT_EQ(shell.only("news ").back(), "news cannon column 11");
    EXPECT_EQ(session.lastNews(), "cannon column 11");

    // News within the gap is said at once when a box is about to open.
    session.keyDown(kKeyLeft, now);
    beat();
    EXPECT_EQ(shell.only("news ").size(), 2u);
    shell.log.clear();
    session.keyDown(kKeyF1, now);
    EXPECT_EQ(shell.log, (std::vector<std::string>{"timer stop", "news cannon column 10",
                                                   "box Help File: " + std::string(kHelpPrompt)}));
}

TEST_F(GameSessionTest, RowDescriptionsFollowTheBoard) {
    load();
    beat();
    EXPECT_EQ(
        shell.only("describe 0"),
        std::vector<std::string>{"describe 0 Board row 1 of 8: aliens in columns 2, 4, 6, 8"});
    EXPECT_EQ(session.rowDescription(0), "Board row 1 of 8: aliens in columns 2, 4, 6, 8");
    EXPECT_TRUE(shell.only("describe 7").empty()); // the cannon has not moved
}

TEST(RowDescriptionTest, NamesTheRowThenTheColumnsOfWhatStandsOnIt) {
    EXPECT_EQ(describeRow(2, "  V V O V     '"),
              "Board row 3 of 8: aliens in columns 3, 5, 9; hit in column 7; shot in column 15");
    EXPECT_EQ(describeRow(0, "V              "), "Board row 1 of 8: alien in column 1");
    EXPECT_EQ(describeRow(5, ""), "Board row 6 of 8");
    EXPECT_EQ(describeRow(5, kBlank), "Board row 6 of 8");
}

TEST(GameNewsTest, SaysWhatChangedBetweenTwoLooks) {
    constexpr std::int16_t N = kNone;
    // Looks at a game, one after the other, each with what it says; the
    // last three fields are the latches.
    const std::vector<std::pair<GameState, std::vector<std::string>>> looks = {
        // A beat of the march with nothing else: nothing to say; latches are
        // not on the board, and the same board twice says nothing either.
        {{{1, 3, 5, 7}, 0, N, N, 7}, {}},
        {{{1, 3, 5, 7}, 0, N, N, 7, 1}, {}},
        // The cannon moves and a shot starts.
        {{{2, 4, 6, 8}, 0, 8, 6, 8, 1}, {"cannon column 9"}},
        // A hit; a shot on the top row, and the wave dropping as it leaves.
        {{{3, 5, N, 9}, 0, N, N, 8, 1}, {"hit, 3 aliens left"}},
        {{{4, 6, N, 10}, 0, 3, 0, 8, 1}, {}},
        {{{4, 6, N, 10}, 1, N, N, 8, 1}, {"wave on row 2", "shot missed"}},
        // Row 1 travels left.
        {{{3, 5, N, 9}, 1, N, N, 8, 1}, {}},
        {{{2, N, N, 8}, 1, N, N, 8, 1}, {"hit, 2 aliens left"}},
        // A reset (win, loss, X) is a new game, also when the wave stays on
        // its row and the aliens step the wrong way.
        {{{1, 3, 5, 7}, 0, N, N, 7}, {"new game"}},
        {{{2, 4, 6, 8}, 0, N, N, 7}, {}},
        {{{1, 3, 5, 7}, 0, N, N, 7}, {"new game"}},
    };
    GameState fresh;
    reset(fresh);
    GameNews news;
    news.restart(fresh);
    for (std::size_t i = 0; i < looks.size(); ++i) {
        std::vector<std::string> said;
        for (const NewsItem& item : news.update(looks[i].first)) {
            said.push_back(item.text);
        }
        EXPECT_EQ(said, looks[i].second) << "look " << i;
    }
}

} // namespace
