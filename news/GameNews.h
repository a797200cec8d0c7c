#pragma once

#include "GameState.h"

#include <string>
#include <vector>

// One piece of news a player who cannot see the board needs to hear.
struct NewsItem {
    enum class Kind { NewGame, Hit, Drop, Miss, Cannon };
    Kind kind;
    std::string text;
};

// Works out what changed the game between two looks at its state: a new
// game, a hit and how many aliens are left, the wave dropping a row, a shot
// leaving the board at the top, and the cannon's new column. Rows and columns
// are counted from 1, as a player counts them. Knows nothing of windows.
class GameNews {
public:
    // Starts from `state` (normally a freshly reset game).
    void restart(const GameState& state) { m_last = state; }

    // The news since the last look, in the order a player wants to hear it.
    // Looking twice at the same board gives nothing the second time.
    std::vector<NewsItem> update(const GameState& state);

private:
    bool continues(const GameState& state) const;

    GameState m_last;
};
