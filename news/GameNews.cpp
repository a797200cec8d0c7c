#include "GameNews.h"

#include <algorithm>

namespace {

int aliensAlive(const GameState& state) {
    return static_cast<int>(std::count_if(state.alienCol.begin(), state.alienCol.end(),
                                          [](std::int16_t col) { return col != kNone; }));
}

std::string aliensLeft(int count) {
    if (count == 0) {
        return "hit, no aliens left";
    }
    return "hit, " + std::to_string(count) + (count == 1 ? " alien left" : " aliens left");
}

// What the board shows of a state; the latched keys are not on it.
bool sameBoard(const GameState& a, const GameState& b) {
    return a.alienCol == b.alienCol && a.waveRow == b.waveRow && a.shotCol == b.shotCol &&
           a.shotRow == b.shotRow && a.cannonCol == b.cannonCol;
}

} // namespace

bool GameNews::continues(const GameState& state) const {
    // One beat either drops the wave a row with every alien in its column, or
    // moves every live alien one column the way its row travels. Anything
    // else (the wave higher up, an alien back from the dead, aliens out of
    // step) is a new game: the X key, a win or a loss.
    if (state.waveRow != m_last.waveRow && state.waveRow != m_last.waveRow + 1) {
        return false;
    }
    const int step = state.waveRow == m_last.waveRow ? (m_last.waveRow % 2 == 0 ? 1 : -1) : 0;
    for (int k = 0; k < kAliens; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (m_last.alienCol[i] == kNone) {
            if (state.alienCol[i] != kNone) {
                return false;
            }
        } else if (state.alienCol[i] != kNone && state.alienCol[i] != m_last.alienCol[i] + step) {
            return false;
        }
    }
    return true;
}

std::vector<NewsItem> GameNews::update(const GameState& state) {
    std::vector<NewsItem> news;
    if (sameBoard(state, m_last)) {
        return news;
    }
    if (!continues(state)) {
        news.push_back({NewsItem::Kind::NewGame, "new game"});
        m_last = state;
        return news;
    }
    const int alive = aliensAlive(state);
    if (alive < aliensAlive(m_last)) {
        news.push_back({NewsItem::Kind::Hit, aliensLeft(alive)});
    }
    if (state.waveRow > m_last.waveRow) {
        news.push_back({NewsItem::Kind::Drop, "wave on row " + std::to_string(state.waveRow + 1)});
    }
    // A shot on the top row always leaves the board at the next beat; had it
    // met an alien there, it would be gone already.
    if (m_last.shotRow == 0 && m_last.shotCol != kNone) {
        news.push_back({NewsItem::Kind::Miss, "shot missed"});
    }
    if (state.cannonCol != m_last.cannonCol) {
        news.push_back(
            {NewsItem::Kind::Cannon, "cannon column " + std::to_string(state.cannonCol + 1)});
    }
    m_last = state;
    return news;
}
