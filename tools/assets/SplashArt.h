#pragma once

#include "Image.h"

#include <string_view>

// The splash picture: the game's title in shaded green typewriter letters on
// black, filling the whole picture.
constexpr int kSplashWidth = 624;
constexpr int kSplashHeight = 51;
constexpr std::string_view kSplashTitle = "Vantrel";

Image drawSplash();
