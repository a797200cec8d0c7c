#pragma once

#include <cstddef>
#include <cstdint>

// The splash picture as the program carries it. The bitmap is a few shades of
// green on black, so it is stored as a palette of 16 colours and the pixels,
// row by row from the top, as runs: each byte holds a palette index in its
// high four bits and the run's length less one in its low four bits. About
// 5 KB instead of the bitmap's 95 KB. vantrel-pack-splash writes the data
// from the committed bitmap when the program is built.
constexpr int kSplashPaletteSize = 16;
constexpr int kSplashLongestRun = 16;

extern const std::uint32_t kSplashPalette[kSplashPaletteSize]; // 0xRRGGBB
extern const unsigned char kSplashRuns[];
extern const std::size_t kSplashRunsSize;
