#pragma once

#include <array>
#include <cstdint>

constexpr int kRows = 8;
constexpr int kColumns = 15;
constexpr int kAliens = 4;
constexpr std::int16_t kNone = -1;
constexpr std::int16_t kCannonRow = kRows - 1;
constexpr std::int16_t kShotStartRow = kCannonRow - 1;
constexpr std::int16_t kLossRow = kCannonRow;
constexpr std::int16_t kCannonStartCol = 7;
constexpr std::array<std::int16_t, kAliens> kAlienStartCols = {0, 2, 4, 6};

// The whole state of one game. A plain value: the window owns one for its
// lifetime, and copies make snapshots for tests. Field order and 16-bit types
// follow the game's data model; -1 (kNone) means none or destroyed.
struct GameState {
    std::array<std::int16_t, kAliens> alienCol{};
    std::int16_t waveRow = 0;
    std::int16_t shotCol = kNone;
    std::int16_t shotRow = kNone;
    std::int16_t cannonCol = kCannonStartCol;
    std::int16_t keyLeft = 0;
    std::int16_t keyRight = 0;
    std::int16_t keyFire = 0;

    bool operator==(const GameState&) const = default;
};

// Starts a new game in the same record: the wave back at the top left, the
// cannon in the middle, no shot, no latched input.
void reset(GameState& state);
