#pragma once

#include "GameState.h"

#include <cstdint>
#include <string_view>

// Windows virtual key codes: every front-end translates its own key events
// into these before calling keyDown.
constexpr std::int16_t kKeyLeft = 37;
constexpr std::int16_t kKeyRight = 39;
constexpr std::int16_t kKeySpace = 32;
constexpr std::int16_t kKeyEscape = 27;
constexpr std::int16_t kKeyX = 88;
constexpr std::int16_t kKeyF1 = 112;

constexpr std::string_view kQuitPrompt = "Are you sure you want to quit?";
constexpr std::string_view kQuitTitle = "";
constexpr std::string_view kHelpPrompt =
    "Use the left and right arrow keys to steer, and the space bar to shoot. "
    "Press Escape to quit and X to restart.";
constexpr std::string_view kHelpTitle = "Help File";

// What a key asks of the window beyond the game state.
enum class KeyAction { None, AskToQuit, ShowHelp };

// Applies one key-down to the game state: steering and fire latch, X resets.
// Escape and F1 change nothing here; the returned action says which box the
// caller must show (the quit question or help).
KeyAction applyKey(GameState& state, std::int16_t keyCode);
