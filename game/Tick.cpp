#include "Tick.h"

#include <string>

namespace {

bool shotInFlight(const GameState& s) {
    return s.shotCol > kNone && s.shotRow > kNone;
}

void moveShot(GameState& s) {
    if (!shotInFlight(s)) {
        return;
    }
    --s.shotRow;
    if (s.shotRow < 0) {
        s.shotCol = kNone;
        s.shotRow = kNone;
    }
}

// Even rows travel right, odd rows left. Only the outermost live alien on the
// side of travel decides whether the wave drops instead of stepping sideways,
// so destroying an end alien buys the player time.
void marchWave(GameState& s) {
    const bool right = s.waveRow % 2 == 0;
    int leader = -1;
    if (right) {
        for (int k = kAliens - 1; k >= 0 && leader < 0; --k) {
            if (s.alienCol[k] > kNone) {
                leader = k;
            }
        }
    } else {
        for (int k = 0; k < kAliens && leader < 0; ++k) {
            if (s.alienCol[k] > kNone) {
                leader = k;
            }
        }
    }
    if (leader < 0) {
        return;
    }
    const bool atEdge = right ? s.alienCol[leader] >= kColumns - 1 : s.alienCol[leader] <= 0;
    if (atEdge) {
        ++s.waveRow;
        return;
    }
    const int step = right ? 1 : -1;
    for (auto& col : s.alienCol) {
        if (col > kNone) {
            col = static_cast<std::int16_t>(col + step);
        }
    }
}

// Latches are applied left, then right, then fire, so a fire request uses the
// cannon's column after this tick's moves.
void applyLatches(GameState& s) {
    if (s.keyLeft == 1) {
        s.keyLeft = 0;
        if (s.cannonCol > 0) {
            --s.cannonCol;
        }
    }
    if (s.keyRight == 1) {
        s.keyRight = 0;
        if (s.cannonCol < kColumns - 1) {
            ++s.cannonCol;
        }
    }
    if (s.keyFire == 1) {
        s.keyFire = 0;
        if (s.shotCol == kNone && s.shotRow == kNone) {
            s.shotCol = s.cannonCol;
            s.shotRow = kShotStartRow;
        }
    }
}

// Appends the glyphs of cell (r, n) to `row`. Each thing standing in the cell
// appends its own glyph, exactly as the board is defined, so a broken state
// would show up as a row of the wrong length rather than being papered over;
// in play each cell gets exactly one.
void drawCell(GameState& s, int r, int n, std::string& row) {
    bool drawn = false;
    for (auto& col : s.alienCol) {
        if (col == n && s.waveRow == r) {
            if (s.shotCol == col && s.shotRow == s.waveRow) {
                row.push_back(kGlyphHit);
                s.shotCol = kNone;
                s.shotRow = kNone;
                col = kNone;
            } else {
                row.push_back(kGlyphAlien);
            }
            drawn = true;
        }
    }
    // A shot used up by a hit is already gone here, so a hit cell shows only
    // the hit glyph.
    if (s.shotCol == n && s.shotRow == r) {
        row.push_back(kGlyphShot);
        drawn = true;
    }
    if (s.cannonCol == n && r == kCannonRow) {
        row.push_back(kGlyphCannon);
        drawn = true;
    }
    if (!drawn) {
        row.push_back(kGlyphEmpty);
    }
}

// Each row is built in full and set once: the picture is the same as appending
// glyph by glyph into the visible row, at an eighth of the label updates.
void drawBoard(GameState& s, BoardRows& ui) {
    std::string text;
    text.reserve(kColumns);
    for (int r = 0; r < kRows; ++r) {
        text.clear();
        for (int n = 0; n < kColumns; ++n) {
            drawCell(s, r, n, text);
        }
        ui.setRowText(r, text);
    }
}

bool allDestroyed(const GameState& s) {
    for (auto col : s.alienCol) {
        if (col != kNone) {
            return false;
        }
    }
    return true;
}

} // namespace

bool marchPhase(GameState& state) {
    moveShot(state);
    marchWave(state);
    return state.waveRow == kLossRow;
}

bool drawPhase(GameState& state, BoardRows& rows) {
    applyLatches(state);
    drawBoard(state, rows);
    return allDestroyed(state);
}

std::string winPrompt(const GameState& state) {
    const int score = kLossRow - state.waveRow;
    std::string prompt(kWinPromptStart);
    prompt += std::to_string(score);
    return prompt;
}
