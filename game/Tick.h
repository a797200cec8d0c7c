#pragma once

#include "GameServices.h"
#include "GameState.h"

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

// One beat of the game: the shot rises, the wave marches or drops, a loss is
// announced, the latched input is applied, the board is redrawn (deciding hits
// as it goes) and a win is announced. The caller's timer decides when it runs;
// it must never be entered again while one of its boxes is open.
void tick(GameState& state, GameServices& ui);
