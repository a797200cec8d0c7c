#include "GameState.h"

void reset(GameState& state) {
    state.alienCol = kAlienStartCols;
    state.waveRow = 0;
    state.shotCol = kNone;
    state.shotRow = kNone;
    state.cannonCol = kCannonStartCol;
    state.keyLeft = 0;
    state.keyRight = 0;
    state.keyFire = 0;
}
