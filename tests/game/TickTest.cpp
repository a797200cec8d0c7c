#include "Tick.h"
#include "RecordingShell.h"

#include <gtest/gtest.h>

namespace {

// The rules as the program runs them: beats of the game session, with every
// box answered at once, the way a blocking box answers.
class TickTest : public ::testing::Test {
protected:
    TickTest() { ui.load(); }

    void run(int ticks) { ui.beat(ticks); }

    void expectBoard(const Board& expected) {
        EXPECT_EQ(formatBoard(ui.rows), formatBoard(expected));
    }

    RecordingShell ui;
    GameState& state = ui.session.state();
};

const std::string kBlank(kColumns, ' ');

TEST_F(TickTest, FirstTickAfterResetStepsTheWaveRight) {
    run(1);
    expectBoard(
        {" V V V V       ", kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, "       A       "});
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(TickTest, UnopposedWaveDropsEveryNinthTickAndLosesOnTick63) {
    for (int t = 1; t <= 62; ++t) {
        run(1);
        ASSERT_EQ(state.waveRow, t / 9) << "after tick " << t;
    }
    ASSERT_TRUE(ui.boxes.empty());
    const Board before = ui.rows;
    EXPECT_EQ(before[6], "        V V V V"); // at the right edge, about to drop

    run(1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, kLossPrompt);
    EXPECT_EQ(ui.boxes[0].title, kLossTitle);
    EXPECT_EQ(ui.boxes[0].buttons, kButtonsOk);
    // While the box is up the player still sees the wave on row 6.
    EXPECT_EQ(formatBoard(ui.boxes[0].board), formatBoard(before));
    // The same tick then draws the fresh game, not one step on.
    expectBoard(
        {"V V V V        ", kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, "       A       "});
    EXPECT_EQ(state.alienCol, kAlienStartCols);
}

TEST_F(TickTest, ShotRisesFromRowSixAndLeavesAfterRowZero) {
    state.cannonCol = 0; // out of the wave's way
    state.keyFire = 1;
    run(1);
    EXPECT_EQ(ui.rows.at(6), "'              ");
    for (int row = 5; row >= 0; --row) {
        run(1);
        EXPECT_EQ(state.shotRow, row);
    }
    EXPECT_EQ(ui.rows.at(0).front(), '\'');
    // Out of the top on the next tick, and a new shot may start in that tick.
    state.keyFire = 1;
    run(1);
    EXPECT_EQ(state.shotRow, kShotStartRow);
    EXPECT_EQ(ui.rows.at(0).find('\''), std::string::npos);
    EXPECT_EQ(ui.rows.at(6), "'              ");
}

TEST_F(TickTest, FireWhileAShotFliesIsForgotten) {
    state.keyFire = 1;
    run(1);
    state.keyFire = 1;
    run(1);
    EXPECT_EQ(state.keyFire, 0);
    EXPECT_EQ(state.shotRow, 5);
    run(6); // the first shot leaves the board; nothing replaces it
    EXPECT_EQ(state.shotCol, kNone);
    EXPECT_EQ(state.shotRow, kNone);
}

TEST_F(TickTest, ArrowsMoveLeftBeforeRightAndStopAtTheEdges) {
    state.keyLeft = 1;
    state.keyRight = 1;
    run(1);
    EXPECT_EQ(state.cannonCol, 7);
    EXPECT_EQ(state.keyLeft + state.keyRight, 0);

    state.cannonCol = 0;
    state.keyLeft = 1;
    state.keyRight = 1;
    run(1);
    EXPECT_EQ(state.cannonCol, 1);

    state.cannonCol = 14;
    state.keyRight = 1;
    run(1);
    EXPECT_EQ(state.cannonCol, 14);
    EXPECT_EQ(ui.rows.at(7), "              A");
}

TEST_F(TickTest, FireUsesTheCannonColumnAfterThisTicksMove) {
    state.keyRight = 1;
    state.keyFire = 1;
    run(1);
    EXPECT_EQ(state.shotCol, 8);
    EXPECT_EQ(ui.rows.at(6), "        '      ");
}

TEST_F(TickTest, AlienSteppingIntoAFreshShotIsHitInTheSameTick) {
    // Wave on row 6 travelling right, alien 3 about to step into column 9,
    // right above the cannon, in the tick the shot is fired.
    state.alienCol = {2, 4, 6, 8};
    state.waveRow = 6;
    state.cannonCol = 9;
    state.keyFire = 1;
    run(1);
    EXPECT_EQ(ui.rows.at(6), "   V V V O     ");
    EXPECT_EQ(state.alienCol[3], kNone);
    EXPECT_EQ(state.shotCol, kNone);
    for (const auto& row : ui.rows) {
        EXPECT_EQ(row.find('\''), std::string::npos) << row;
    }
}

TEST_F(TickTest, ShotDirectlyBelowADroppingWaveSwapsRowsWithoutAHit) {
    // Row 2 travels right and alien 3 is at the edge, so the wave drops to 3
    // while the shot rises from 3 to 2.
    state.alienCol = {8, 10, 12, 14};
    state.waveRow = 2;
    state.shotCol = 12;
    state.shotRow = 3;
    run(1);
    EXPECT_EQ(state.waveRow, 3);
    EXPECT_EQ(state.shotRow, 2);
    EXPECT_EQ(state.alienCol, (std::array<std::int16_t, 4>{8, 10, 12, 14}));
    EXPECT_EQ(ui.rows.at(2), "            '  ");
    EXPECT_EQ(ui.rows.at(3), "        V V V V");
}

TEST_F(TickTest, ShotTwoRowsBelowADroppingWaveHits) {
    state.alienCol = {8, 10, 12, 14};
    state.waveRow = 2;
    state.shotCol = 12;
    state.shotRow = 4;
    run(1);
    EXPECT_EQ(ui.rows.at(3), "        V V O V");
    EXPECT_EQ(state.alienCol, (std::array<std::int16_t, 4>{8, 10, kNone, 14}));
    EXPECT_EQ(state.shotRow, kNone);
}

TEST_F(TickTest, SidewaysWaveDodgesAShotBelowButNotOneAhead) {
    // Row 1 travels left: the alien at 5 steps to 4 as the shot rises into 5.
    state.alienCol = {1, 3, 5, 7};
    state.waveRow = 1;
    state.shotCol = 5;
    state.shotRow = 2;
    run(1);
    EXPECT_EQ(state.alienCol, (std::array<std::int16_t, 4>{0, 2, 4, 6}));
    EXPECT_EQ(ui.rows.at(1), "V V V'V        ");

    reset(state);
    state.alienCol = {1, 3, 5, 7};
    state.waveRow = 1;
    state.shotCol = 4; // one column ahead in the direction of travel
    state.shotRow = 2;
    run(1);
    EXPECT_EQ(ui.rows.at(1), "V V O V        ");
    EXPECT_EQ(state.alienCol[2], kNone);
}

TEST_F(TickTest, FireLatchedAsTheWaveReachesTheBottomComesTooLate) {
    // The last alien sits on row 6 at the right edge: this tick drops it to
    // row 7 and loses before the latched fire is looked at.
    state.alienCol = {kNone, kNone, kNone, 14};
    state.waveRow = 6;
    state.cannonCol = 14;
    state.keyFire = 1;
    run(1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, kLossPrompt);
    EXPECT_EQ(state.shotCol, kNone);
    EXPECT_EQ(state.keyFire, 0);
    EXPECT_EQ(ui.rows.at(0), "V V V V        ");
}

TEST_F(TickTest, WinScoresSevenMinusTheWaveRowThenResets) {
    struct Case {
        std::int16_t row;
        const char* prompt;
    };
    for (const Case c :
         {Case{0, "You win! Your score was: 7"}, Case{6, "You win! Your score was: 1"},
          Case{3, "You win! Your score was: 4"}}) {
        RecordingShell fresh;
        fresh.load();
        GameState& state = fresh.session.state();
        // One alien left at column 5 on an even (right-going) row, a shot
        // rising into the cell it steps into.
        state.alienCol = {kNone, kNone, 5, kNone};
        state.waveRow = c.row;
        state.shotCol = 6;
        state.shotRow = static_cast<std::int16_t>(c.row + 1);
        if (c.row % 2 == 1) {
            state.shotCol = 4;
        }
        if (c.row == kShotStartRow) {
            // On row 6 the winning shot is the one fired in this very tick.
            state.shotCol = state.shotRow = kNone;
            state.cannonCol = 6;
            state.keyFire = 1;
        }
        fresh.beat();
        ASSERT_EQ(fresh.boxes.size(), 1u) << "row " << c.row;
        EXPECT_EQ(fresh.boxes[0].prompt, c.prompt);
        EXPECT_EQ(fresh.boxes[0].title, kWinTitle);
        EXPECT_EQ(fresh.boxes[0].buttons, kButtonsOk);
        // The box shows the final hit, and the game is reset afterwards.
        EXPECT_NE(fresh.boxes[0].board[c.row].find('O'), std::string::npos);
        GameState freshState;
        reset(freshState);
        EXPECT_EQ(state, freshState);
        // The next tick already shows the new wave one step on.
        fresh.beat();
        EXPECT_EQ(fresh.rows[0], " V V V V       ");
    }
}

TEST_F(TickTest, OnlyTheOutermostLiveAlienDecidesTheDrop) {
    // Travelling left with aliens 0 and 1 gone: alien 2 at column 0 drops.
    state.alienCol = {kNone, kNone, 0, 2};
    state.waveRow = 1;
    run(1);
    EXPECT_EQ(state.waveRow, 2);
    EXPECT_EQ(state.alienCol, (std::array<std::int16_t, 4>{kNone, kNone, 0, 2}));

    // Travelling right with alien 3 gone: alien 2 walks on to column 14,
    // which a full wave could not reach before dropping.
    state.alienCol = {8, 10, 12, kNone};
    state.waveRow = 2;
    run(2);
    EXPECT_EQ(state.waveRow, 2);
    EXPECT_EQ(state.alienCol, (std::array<std::int16_t, 4>{10, 12, 14, kNone}));
    run(1);
    EXPECT_EQ(state.waveRow, 3);
}

TEST_F(TickTest, EveryTickRedrawsAllRowsFromScratch) {
    EXPECT_EQ(ui.rows.at(3), ""); // the opening picture's empty row
    run(1);
    EXPECT_EQ(ui.rows.at(3), kBlank);
    for (const auto& row : ui.rows) {
        EXPECT_EQ(row.size(), 15u);
    }
}

} // namespace
