#include "SplashPicture.h"

#include "Figures.h"

#include <algorithm>
#include <cstddef>

// The bytes of the committed splash bitmap, compiled in by the build.
extern const unsigned char kSplashBmp[];
extern const std::size_t kSplashBmpSize;

namespace {

// The bitmap as the game ships it: 24 bits a pixel, rows bottom-up, each
// padded to four bytes, after a 54-byte header.
constexpr std::size_t kPixelOffset = 54;
constexpr std::size_t kStride = (kSplashPictureWidth * 3 + 3) / 4 * 4;
static_assert(kPixelOffset + kStride * kSplashPictureHeight == 95526);

std::uint32_t sourcePixel(int x, int y) {
    const std::size_t row = static_cast<std::size_t>(kSplashPictureHeight - 1 - y);
    const unsigned char* bgr = kSplashBmp + kPixelOffset + row * kStride + 3 * std::size_t(x);
    return std::uint32_t(bgr[2]) << 16 | std::uint32_t(bgr[1]) << 8 | bgr[0];
}

// The brightest of the source pixels in [x0, x1) × [y0, y1). Shrunk this
// way the letters' thin strokes stay bright instead of fading into the black
// around them, and the title stays legible a few cells high.
std::uint32_t brightest(int x0, int x1, int y0, int y1) {
    std::uint32_t best = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const std::uint32_t pixel = sourcePixel(x, y);
            if ((pixel >> 8 & 0xFF) > (best >> 8 & 0xFF)) {
                best = pixel;
            }
        }
    }
    return best;
}

} // namespace

SplashPicture splashPictureFitting(int columns, int rows) {
    SplashPicture picture;
    if (kSplashBmpSize != kPixelOffset + kStride * kSplashPictureHeight || columns <= 0) {
        return picture;
    }
    const double scale =
        std::min({1.0, double(columns) / kSplashPictureWidth, 2.0 * rows / kSplashPictureHeight});
    picture.width = std::max(1, int(kSplashPictureWidth * scale));
    picture.height = int(kSplashPictureHeight * scale + 1) / 2 * 2;
    if (picture.height == 0 || picture.height > 2 * rows) {
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
            picture.pixels.push_back(brightest(x0, x1, y0, y1));
        }
    }
    return picture;
}
