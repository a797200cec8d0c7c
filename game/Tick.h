#pragma once

#include "GameState.h"

#include <string>
#include <string_view>

// The texts of the two boxes that end a game.
constexpr std::string_view kLossPrompt = "You lose!";
constexpr std::string_view kLossTitle = "Sorry!";
constexpr std::string_view kWinPromptStart = "You win! Your score was: ";
constexpr std::string_view kWinTitle = "Congratulations!";

// Board glyphs, one per cell.
constexpr char kGlyphAlien = 'V';
constexpr char kGlyphHit = 'O';
constexpr char kGlyphShot = '\'';
constexpr char kGlyphCannon = 'A';
constexpr char kGlyphEmpty = ' ';

// The eight board rows the drawing pass writes; the game session keeps them.
class BoardRows {
public:
    virtual ~BoardRows() = default;

    // Shows `text` as board row `row` (0 = top, 7 = bottom) at once.
    virtual void setRowText(int row, std::string_view text) = 0;
};

// One beat of the game comes in the two halves that lie between its boxes, so
// that the caller can show a box and carry on only when the player has
// answered it. A beat is: marchPhase; if it returns true, the loss box, then
// reset; then drawPhase; if that returns true, the win box with winPrompt,
// then reset. The caller's timer decides when a beat runs.

// The shot rises and the wave marches or drops. True when the wave has
// reached the bottom row and the game is lost.
bool marchPhase(GameState& state);

// The latched input is applied and the board redrawn, deciding hits as it
// goes. True when no alien is left and the game is won.
bool drawPhase(GameState& state, BoardRows& rows);

// The win box's prompt, with the score of the wave's row in `state`.
std::string winPrompt(const GameState& state);
