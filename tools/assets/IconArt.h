#pragma once

#include "Image.h"

#include <array>
#include <cstdint>

// The program icon: a tiny game board in green pixel glyphs on black, two
// aliens either side of a hit along the top and, lower right, a shot rising
// from the cannon.
constexpr int kIconSize = 32;

// The only colours the icon uses besides black: ten shades of pure green,
// darkest first.
constexpr std::array<std::uint8_t, 10> kIconGreens = {40,  64,  88,  112, 136,
                                                      160, 184, 208, 232, 255};

Image drawIcon();
