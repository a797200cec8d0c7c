#include "Tick.h"
#include "RecordingShell.h"

#include <gtest/gtest.h>

namespace {

// One beat of the rules from a set position, as the program runs it: a beat
// of the game session. A state is the alien columns, the wave's row, the
// shot's column and row, the cannon's column and the left, right and fire
// latches. `shown` is row `row` of the picture the beat draws (none for -1),
// and `box` the prompt of the box it opens, if any; the box waits for its
// answer, so the state is the one the beat left.
struct Beat {
    GameState before;
    GameState after;
    int row;
    const char* shown;
    std::string_view box;
};

constexpr std::int16_t N = kNone;

const Beat kBeats[] = {
    // Left is applied before right, so both cancel.
    {{kAlienStartCols, 0, N, N, 7, 1, 1}, {{1, 3, 5, 7}, 0, N, N, 7}, 7, "       A       ", ""},
    // Left stops at the edge, right still moves.
    {{kAlienStartCols, 0, N, N, 0, 1, 1}, {{1, 3, 5, 7}, 0, N, N, 1}, 7, " A             ", ""},
    // Right stops at the edge.
    {{kAlienStartCols, 0, N, N, 14, 0, 1}, {{1, 3, 5, 7}, 0, N, N, 14}, 7, "              A", ""},
    // Fire uses the cannon's column after this beat's move.
    {{kAlienStartCols, 0, N, N, 7, 0, 1, 1}, {{1, 3, 5, 7}, 0, 8, 6, 8}, 6, "        '      ", ""},
    // Fire while a shot flies is forgotten.
    {{kAlienStartCols, 0, 7, 5, 7, 0, 0, 1}, {{1, 3, 5, 7}, 0, 7, 4, 7}, 4, "       '       ", ""},
    // A shot leaving the top makes room for a new one in the same beat.
    {{{1, 3, 5, 7}, 3, 0, 0, 0, 0, 0, 1}, {{0, 2, 4, 6}, 3, 0, 6, 0}, 6, "'              ", ""},
    // An alien stepping into a fresh shot is hit in the same beat.
    {{{2, 4, 6, 8}, 6, N, N, 9, 0, 0, 1}, {{3, 5, 7, N}, 6, N, N, 9}, 6, "   V V V O     ", ""},
    // A shot directly below a dropping wave swaps rows with it.
    {{{8, 10, 12, 14}, 2, 12, 3, 7}, {{8, 10, 12, 14}, 3, 12, 2, 7}, 3, "        V V V V", ""},
    // A shot two rows below a dropping wave hits.
    {{{8, 10, 12, 14}, 2, 12, 4, 7}, {{8, 10, N, 14}, 3, N, N, 7}, 3, "        V V O V", ""},
    // A wave going left dodges a shot below.
    {{{1, 3, 5, 7}, 1, 5, 2, 7}, {{0, 2, 4, 6}, 1, 5, 1, 7}, 1, "V V V'V        ", ""},
    // But not a shot one column ahead.
    {{{1, 3, 5, 7}, 1, 4, 2, 7}, {{0, 2, N, 6}, 1, N, N, 7}, 1, "V V O V        ", ""},
    // The outermost live alien decides the drop, going left.
    {{{N, N, 0, 2}, 1, N, N, 7}, {{N, N, 0, 2}, 2, N, N, 7}, 2, "V V            ", ""},
    // Going right, a wave without its right end walks on where a full one drops.
    {{{8, 10, 12, N}, 2, N, N, 7}, {{9, 11, 13, N}, 2, N, N, 7}, 2, "         V V V ", ""},
    // And drops from the edge.
    {{{10, 12, 14, N}, 2, N, N, 7}, {{10, 12, 14, N}, 3, N, N, 7}, 3, "          V V V", ""},
    // Fire latched as the wave reaches the bottom comes too late.
    {{{N, N, N, 14}, 6, N, N, 14, 0, 0, 1},
     {{N, N, N, 14}, kLossRow, N, N, 14, 0, 0, 1},
     -1,
     "",
     kLossPrompt},
    // The last alien hit on the top row scores 7.
    {{{N, N, 5, N}, 0, 6, 1, 7},
     {{N, N, N, N}, 0, N, N, 7},
     0,
     "      O        ",
     "You win! Your score was: 7"},
    // The last alien hit on a row going left.
    {{{N, N, 5, N}, 3, 4, 4, 7},
     {{N, N, N, N}, 3, N, N, 7},
     3,
     "    O          ",
     "You win! Your score was: 4"},
    // The last alien hit on row 6 by the shot fired in this beat scores 1.
    {{{N, N, 5, N}, 6, N, N, 6, 0, 0, 1},
     {{N, N, N, N}, 6, N, N, 6},
     6,
     "      O        ",
     "You win! Your score was: 1"},
};

TEST(TickTest, EachBeatFromASetPosition) {
    for (const Beat& beat : kBeats) {
        SCOPED_TRACE("kBeats[" + std::to_string(&beat - kBeats) + "]");
        RecordingShell ui;
        ui.answerLater = true;
        ui.load();
        ui.session.state() = beat.before;
        ui.beat();
        EXPECT_EQ(ui.session.state(), beat.after);
        if (beat.row >= 0) {
            EXPECT_EQ(ui.rows.at(beat.row), beat.shown);
        }
        EXPECT_EQ(ui.boxes.empty() ? "" : ui.boxes.back().prompt, beat.box);
    }
}

} // namespace
