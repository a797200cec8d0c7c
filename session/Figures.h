#pragma once

#include "GameState.h"

// The figures every front-end shares: the beat, the splash's time and the
// windows' layout. Sizes are pixels at 96 dpi; a front-end scales them to its
// screen and never restates them.

// The step timer's interval, and how long the splash stays without a key.
constexpr int kTickMs = 250;
constexpr int kSplashMs = 2000;

// The main window's client area.
constexpr int kClientWidth = 212;
constexpr int kClientHeight = 146;

// The board rows: where the first starts, how far apart they are, and the
// height of each. Rows overlap by 4 px; the glyphs never reach that low.
constexpr int kRowLeft = 8;
constexpr int kRowTop = 8;
constexpr int kRowPitch = 16;
constexpr int kRowHeight = 20;

// One glyph cell of the board's font, and a full row of them. A row is one
// pixel wider than its cells, for the overhang of the last bold glyph.
constexpr int kCellWidth = 13;
constexpr int kFontPixelSize = 20;
constexpr int kRowOverhang = 1;
constexpr int kFullRowWidth = kColumns * kCellWidth + kRowOverhang;

// The splash window and the title picture inside it.
constexpr int kSplashWidth = 656;
constexpr int kSplashHeight = 81;
constexpr int kSplashPictureLeft = 16;
constexpr int kSplashPictureTop = 16;
constexpr int kSplashPictureWidth = 624;
constexpr int kSplashPictureHeight = 51;

static_assert(kFullRowWidth + 2 * kRowLeft == kClientWidth,
              "a full row leaves the same black margin on both sides");
static_assert(kRowTop + kRowPitch * (kRows - 1) + kRowHeight <= kClientHeight,
              "the bottom row fits the client area");
