#include "IconArt.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

// Pixel glyphs, '#' for lit pixels. Strokes are two pixels thick so that the
// glyphs stay legible when the icon is shown at its own size.
constexpr std::array<std::string_view, 8> kAlien = {
    "##...##", "##...##", "##...##", ".##.##.", ".##.##.", "..###..", "..###..", "...#...",
};
constexpr std::array<std::string_view, 8> kHit = {
    ".#####.", "##...##", "##...##", "##...##", "##...##", "##...##", "##...##", ".#####.",
};
constexpr std::array<std::string_view, 8> kCannon = {
    "...#...", "..###..", ".##.##.", "##...##", "#######", "##...##", "##...##", "##...##",
};
constexpr std::array<std::string_view, 4> kShot = {"#", "#", "#", "#"};

// Where the glyphs go: the top row of the board, then the shot above the
// cannon in the right half.
constexpr int kTopRowY = 3;
constexpr std::array<int, 3> kTopRowX = {2, 12, 23};
constexpr int kCannonX = 20;
constexpr int kCannonY = 21;
constexpr int kShotX = kCannonX + 3;
constexpr int kShotY = 13;

// Shade levels, indexes into kIconGreens. A glyph's body fades from the top
// down like a lit surface; its top and left flanks catch the light, its bottom
// and right flanks fall into shadow, and it casts a dark shadow down and to
// the right, with a faint glow on its other sides, so that it looks raised.
constexpr int kBodyTopLevel = 7;
constexpr int kBodyRowsPerLevel = 3;
constexpr int kLitBoost = 2;
constexpr int kShadowDrop = 3;
constexpr int kDropShadowLevel = 0;
constexpr int kGlowLevel = 1;
constexpr int kLowestGlyphLevel = 2;
constexpr int kTopLevel = static_cast<int>(kIconGreens.size()) - 1;

struct Mask {
    std::vector<bool> on = std::vector<bool>(kIconSize * kIconSize, false);
    // The row of its own glyph each lit pixel sits on, for the top-down fade.
    std::vector<int> glyphRow = std::vector<int>(kIconSize * kIconSize, 0);

    bool at(int x, int y) const {
        return x >= 0 && x < kIconSize && y >= 0 && y < kIconSize && on[index(x, y)];
    }
    static std::size_t index(int x, int y) { return static_cast<std::size_t>(y * kIconSize + x); }
};

template <std::size_t Rows>
void stamp(Mask& mask, const std::array<std::string_view, Rows>& glyph, int left, int top) {
    for (std::size_t row = 0; row < Rows; ++row) {
        for (std::size_t col = 0; col < glyph[row].size(); ++col) {
            if (glyph[row][col] == '#') {
                const auto i =
                    Mask::index(left + static_cast<int>(col), top + static_cast<int>(row));
                mask.on.at(i) = true;
                mask.glyphRow.at(i) = static_cast<int>(row);
            }
        }
    }
}

Rgb green(int level) {
    return {0, kIconGreens.at(static_cast<std::size_t>(level)), 0};
}

} // namespace

Image drawIcon() {
    Mask mask;
    for (std::size_t i = 0; i < kTopRowX.size(); ++i) {
        stamp(mask, i == 1 ? kHit : kAlien, kTopRowX[i], kTopRowY);
    }
    stamp(mask, kShot, kShotX, kShotY);
    stamp(mask, kCannon, kCannonX, kCannonY);

    Image image(kIconSize, kIconSize);
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            if (mask.at(x, y)) {
                int level = kBodyTopLevel - mask.glyphRow[Mask::index(x, y)] / kBodyRowsPerLevel;
                if (!mask.at(x, y - 1) || !mask.at(x - 1, y)) {
                    level += kLitBoost;
                }
                if (!mask.at(x, y + 1) || !mask.at(x + 1, y)) {
                    level -= kShadowDrop;
                }
                image.setPixel(x, y, green(std::clamp(level, kLowestGlyphLevel, kTopLevel)));
            } else if (mask.at(x - 1, y - 1)) {
                image.setPixel(x, y, green(kDropShadowLevel));
            } else if (mask.at(x, y - 1) || mask.at(x - 1, y) || mask.at(x + 1, y) ||
                       mask.at(x, y + 1)) {
                image.setPixel(x, y, green(kGlowLevel));
            }
        }
    }
    return image;
}
