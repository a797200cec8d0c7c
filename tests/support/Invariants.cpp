#include "Invariants.h"

#include <algorithm>

namespace {

bool inRange(int v, int lo, int hi) {
    return v >= lo && v <= hi;
}

} // namespace

std::string checkState(const GameState& s, bool lost) {
    int previous = -1;
    int previousIndex = -1;
    for (int k = 0; k < kAliens; ++k) {
        const int col = s.alienCol[k];
        if (!inRange(col, -1, kColumns - 1)) {
            return "alienCol[" + std::to_string(k) + "] out of range: " + std::to_string(col);
        }
        if (col == kNone) {
            continue;
        }
        // Live aliens keep the spacing reset gave them: two columns per index,
        // which also keeps index order left-to-right.
        if (previousIndex >= 0 && col - previous != 2 * (k - previousIndex)) {
            return "aliens " + std::to_string(previousIndex) + " and " + std::to_string(k) +
                   " lost their spacing";
        }
        previous = col;
        previousIndex = k;
    }
    if (lost ? s.waveRow != kLossRow : !inRange(s.waveRow, 0, kLossRow - 1)) {
        return "waveRow out of range: " + std::to_string(s.waveRow);
    }
    const bool noShot = s.shotCol == kNone && s.shotRow == kNone;
    const bool shot = inRange(s.shotCol, 0, kColumns - 1) && inRange(s.shotRow, 0, kShotStartRow);
    if (!noShot && !shot) {
        return "shot fields inconsistent: " + std::to_string(s.shotCol) + "," +
               std::to_string(s.shotRow);
    }
    if (!inRange(s.cannonCol, 0, kColumns - 1)) {
        return "cannonCol out of range: " + std::to_string(s.cannonCol);
    }
    for (int latch : {s.keyLeft, s.keyRight, s.keyFire}) {
        if (latch != 0 && latch != 1) {
            return "latch not 0 or 1: " + std::to_string(latch);
        }
    }
    return {};
}

std::string checkBoard(const std::array<std::string, kRows>& board) {
    int aliensAndHits = 0;
    int shots = 0;
    int alienRows = 0;
    for (int r = 0; r < kRows; ++r) {
        const std::string& row = board[r];
        const std::string where = "row " + std::to_string(r) + " '" + row + "': ";
        if (row.size() != static_cast<std::size_t>(kColumns)) {
            return where + "not " + std::to_string(kColumns) + " cells";
        }
        if (row.find_first_not_of("VO'A ") != std::string::npos) {
            return where + "stray character";
        }
        const auto cannons = std::count(row.begin(), row.end(), 'A');
        if (cannons != (r == kCannonRow ? 1 : 0)) {
            return where + "cannon count " + std::to_string(cannons);
        }
        const auto wave =
            std::count(row.begin(), row.end(), 'V') + std::count(row.begin(), row.end(), 'O');
        if (wave > 0 && r == kCannonRow) {
            return where + "alien on the cannon's row";
        }
        aliensAndHits += static_cast<int>(wave);
        alienRows += wave > 0 ? 1 : 0;
        shots += static_cast<int>(std::count(row.begin(), row.end(), '\''));
    }
    if (aliensAndHits > kAliens || alienRows > 1) {
        return "the wave is not one row of at most four aliens";
    }
    if (shots > 1) {
        return "more than one shot on the board";
    }
    return {};
}
