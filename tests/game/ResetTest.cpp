#include "GameState.h"

#include <gtest/gtest.h>

namespace {

TEST(ResetTest, PutsEveryFieldBackToTheStartOfAGame) {
    GameState s;
    s.alienCol = {kNone, 5, kNone, 9};
    s.waveRow = 5;
    s.shotCol = 3;
    s.shotRow = 2;
    s.cannonCol = 0;
    s.keyLeft = s.keyRight = s.keyFire = 1;
    reset(s);
    EXPECT_EQ(s.alienCol, (std::array<std::int16_t, 4>{0, 2, 4, 6}));
    EXPECT_EQ(s.waveRow, 0);
    EXPECT_EQ(s.shotCol, -1);
    EXPECT_EQ(s.shotRow, -1);
    EXPECT_EQ(s.cannonCol, 7);
    EXPECT_EQ(s.keyLeft, 0);
    EXPECT_EQ(s.keyRight, 0);
    EXPECT_EQ(s.keyFire, 0);
}

TEST(ResetTest, StateIsEightSigned16BitFieldsInOrder) {
    // The window keeps this record as its own fields; the layout follows the
    // game's data model: four alien columns, then the seven scalars.
    static_assert(std::is_same_v<decltype(GameState::waveRow), std::int16_t>);
    static_assert(std::is_same_v<decltype(GameState::alienCol)::value_type, std::int16_t>);
    static_assert(sizeof(GameState) == 11 * sizeof(std::int16_t));
    EXPECT_EQ(offsetof(GameState, alienCol), 0u);
    EXPECT_LT(offsetof(GameState, waveRow), offsetof(GameState, shotCol));
    EXPECT_LT(offsetof(GameState, shotCol), offsetof(GameState, shotRow));
    EXPECT_LT(offsetof(GameState, shotRow), offsetof(GameState, cannonCol));
    EXPECT_LT(offsetof(GameState, cannonCol), offsetof(GameState, keyLeft));
    EXPECT_LT(offsetof(GameState, keyLeft), offsetof(GameState, keyRight));
    EXPECT_LT(offsetof(GameState, keyRight), offsetof(GameState, keyFire));
}

} // namespace
