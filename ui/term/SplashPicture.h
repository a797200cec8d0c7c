#pragma once

#include <cstdint>
#include <vector>

// The title picture, read from the splash bitmap built into the program and
// shrunk to a terminal: one picture pixel per cell across, two per cell down
// (the top and bottom halves of a half-block character), so that its pixels
// stay about square in a cell twice as high as it is wide.
struct SplashPicture {
    int width = 0;
    int height = 0;                    // in pixels, always even: two per cell row
    std::vector<std::uint32_t> pixels; // 0xRRGGBB, row by row from the top

    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// The picture at the largest size that fits `columns` × `rows` cells, never
// larger than the bitmap itself; empty where it would be too small to read.
SplashPicture splashPictureFitting(int columns, int rows);
