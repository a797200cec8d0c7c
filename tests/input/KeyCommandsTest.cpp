#include "KeyCommands.h"
#include "PlayStep.h"

#include <gtest/gtest.h>

namespace {

// Keys as the program takes them: through the game session, with every box
// answered at once, the way a blocking box answers.
class KeyCommandsTest : public ::testing::Test {
protected:
    KeyCommandsTest() {
        ui.load();
        ui.log.clear();
        // A game in progress, so that a reset or a stray change shows.
        state.alienCol = {kNone, 5, 7, 9};
        state.waveRow = 3;
        state.shotCol = 4;
        state.shotRow = 2;
        state.cannonCol = 4;
    }

    void press(std::int16_t code) { ui.press(code); }

    RecordingShell ui;
    GameState& state = ui.session.state();
};

TEST_F(KeyCommandsTest, SteeringAndFireOnlyLatch) {
    GameState before = state;
    press(kKeyLeft);
    press(kKeyRight);
    press(kKeySpace);
    press(kKeySpace); // a second press counts as one
    before.keyLeft = before.keyRight = before.keyFire = 1;
    EXPECT_EQ(state, before);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.only("row ").empty());
}

TEST_F(KeyCommandsTest, HeldArrowMovesTheCannonOneColumnPerTick) {
    for (int repeat = 0; repeat < 30; ++repeat) {
        press(kKeyRight);
    }
    ui.beat();
    EXPECT_EQ(state.cannonCol, 5);
}

TEST_F(KeyCommandsTest, EscapeAsksAndOnlyYesEndsTheProgram) {
    state.keyLeft = 1;
    const GameState latched = state;
    ui.answers = {kAnswerNo};
    press(kKeyEscape);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, kQuitPrompt);
    EXPECT_EQ(ui.boxes[0].title, "");
    EXPECT_EQ(ui.boxes[0].buttons, kButtonsYesNo);
    EXPECT_EQ(ui.ends, 0);
    EXPECT_EQ(state, latched); // No leaves everything, latches included

    ui.answers = {kAnswerOk}; // anything but Yes is not a yes
    press(kKeyEscape);
    EXPECT_EQ(ui.ends, 0);

    ui.answers = {kAnswerYes};
    press(kKeyEscape);
    EXPECT_EQ(ui.ends, 1);
    EXPECT_TRUE(ui.session.ended());
}

TEST_F(KeyCommandsTest, XRestartsAtOnceWithoutRedrawing) {
    state.keyFire = state.keyLeft = 1;
    press(kKeyX);
    GameState fresh;
    reset(fresh);
    EXPECT_EQ(state, fresh);
    EXPECT_TRUE(ui.only("row ").empty());
    EXPECT_EQ(ui.rows[0], "V V V V");
    ui.beat();
    EXPECT_EQ(ui.rows[0], " V V V V       ");
}

TEST_F(KeyCommandsTest, F1ShowsHelpAndChangesNothing) {
    const GameState before = state;
    press(kKeyF1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, kHelpPrompt);
    EXPECT_EQ(ui.boxes[0].title, kHelpTitle);
    EXPECT_EQ(ui.boxes[0].buttons, kButtonsOk);
    EXPECT_EQ(state, before);
}

TEST_F(KeyCommandsTest, EveryOtherCodeDoesNothing) {
    const GameState before = state;
    for (int code = -32768; code <= 32767; ++code) {
        if (!isCommandKey(static_cast<std::int16_t>(code))) {
            press(static_cast<std::int16_t>(code));
        }
    }
    EXPECT_EQ(state, before);
    EXPECT_TRUE(ui.log.empty());
}

} // namespace
