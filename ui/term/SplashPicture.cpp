#include "SplashPicture.h"

#include "Figures.h"
#include "SplashRuns.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr std::size_t kPixels = std::size_t(kSplashPictureWidth) * kSplashPictureHeight;
// Below six pixels (three cell rows) high the letters run together.
constexpr int kLegibleHeight = 6;

// The picture's pixels as palette indices, row by row from the top; empty if
// the runs do not add up to the picture.
std::vector<unsigned char> unpack() {
    std::vector<unsigned char> indices;
    indices.reserve(kPixels);
    for (std::size_t i = 0; i < kSplashRunsSize; ++i) {
        const unsigned char run = kSplashRuns[i];
        indices.insert(indices.end(), std::size_t(run & 0x0F) + 1,
                       static_cast<unsigned char>(run >> 4));
    }
    if (indices.size() != kPixels) {
        indices.clear();
    }
    return indices;
}

std::uint32_t green(std::uint32_t rgb) {
    return rgb >> 8 & 0xFF;
}

// The brightest of the source pixels in [x0, x1) × [y0, y1). Shrunk this
// way the letters' thin strokes stay bright instead of fading into the black
// around them, and the title stays legible a few cells high.
std::uint32_t brightest(const std::vector<unsigned char>& indices, int x0, int x1, int y0, int y1) {
    std::uint32_t best = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const std::uint32_t pixel =
                kSplashPalette[indices[std::size_t(y) * kSplashPictureWidth + std::size_t(x)]];
            if (green(pixel) > green(best)) {
                best = pixel;
            }
        }
    }
    return best;
}

} // namespace

SplashPicture splashPictureFitting(int columns, int rows) {
    SplashPicture picture;
    const std::vector<unsigned char> indices = unpack();
    if (indices.empty() || columns <= 0) {
        return picture;
    }
    const double scale =
        std::min({1.0, double(columns) / kSplashPictureWidth, 2.0 * rows / kSplashPictureHeight});
    picture.width = std::max(1, int(kSplashPictureWidth * scale));
    picture.height = int(kSplashPictureHeight * scale + 1) / 2 * 2;
    if (picture.height < kLegibleHeight || picture.height > 2 * rows) {
        return SplashPicture{};
    }
    // Each picture pixel covers a band of source pixels, at least one.
    const auto edge = [](int i, int to, int from) { return i * from / to; };
    for (int y = 0; y < picture.height; ++y) {
        const int y0 = edge(y, picture.height, kSplashPictureHeight);
        const int y1 = std::max(y0 + 1, edge(y + 1, picture.height, kSplashPictureHeight));
        for (int x = 0; x < picture.width; ++x) {
            const int x0 = edge(x, picture.width, kSplashPictureWidth);
            const int x1 = std::max(x0 + 1, edge(x + 1, picture.width, kSplashPictureWidth));
            picture.pixels.push_back(brightest(indices, x0, x1, y0, y1));
        }
    }
    return picture;
}
