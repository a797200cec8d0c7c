#include "IconArt.h"
#include "AssetFiles.h"
#include "ImageReaders.h"
#include "SplashArt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

namespace {

const Image& icon() {
    static const Image image = drawIcon();
    return image;
}

// Glyphs are drawn in the third green and brighter; the two darkest greens
// are only the shadow and the glow around them.
bool isGlyph(int x, int y) {
    return x >= 0 && y >= 0 && x < kIconSize && y < kIconSize &&
           icon().pixel(x, y).g >= kIconGreens[2];
}

struct Box {
    int left = kIconSize;
    int top = kIconSize;
    int right = -1;
    int bottom = -1;
    int middle() const { return (left + right) / 2; }
};

// The bounding boxes of the separate glyph shapes, in reading order.
std::vector<Box> glyphShapes() {
    std::set<std::pair<int, int>> seen;
    std::vector<Box> shapes;
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            if (!isGlyph(x, y) || !seen.insert({x, y}).second) {
                continue;
            }
            Box box;
            std::vector<std::pair<int, int>> todo = {{x, y}};
            while (!todo.empty()) {
                const auto [px, py] = todo.back();
                todo.pop_back();
                box = {std::min(box.left, px), std::min(box.top, py), std::max(box.right, px),
                       std::max(box.bottom, py)};
                for (const auto& next :
                     {std::pair{px + 1, py}, {px - 1, py}, {px, py + 1}, {px, py - 1}}) {
                    if (isGlyph(next.first, next.second) && seen.insert(next).second) {
                        todo.push_back(next);
                    }
                }
            }
            shapes.push_back(box);
        }
    }
    return shapes;
}

} // namespace

TEST(Icon, UsesOnlyBlackAndTenShadesOfPureGreen) {
    ASSERT_EQ(icon().width(), kIconSize);
    ASSERT_EQ(icon().height(), kIconSize);
    std::set<int> greens;
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            const Rgb c = icon().pixel(x, y);
            ASSERT_TRUE(c.r == 0 && c.b == 0) << "not pure green at " << x << "," << y;
            greens.insert(c.g);
        }
    }
    std::set<int> expected(kIconGreens.begin(), kIconGreens.end());
    expected.insert(0);
    EXPECT_EQ(greens, expected);
}

TEST(Icon, ShowsAlienHitAlienOnTopAndAShotAboveTheCannonLowerRight) {
    const std::vector<Box> shapes = glyphShapes();
    ASSERT_EQ(shapes.size(), 5U);
    const Box& alien = shapes[0];
    const Box& hit = shapes[1];
    const Box& shot = shapes[3];
    const Box& cannon = shapes[4];

    // One row near the top, spread across the icon.
    EXPECT_LE(alien.top, 4);
    EXPECT_TRUE(alien.top == hit.top && hit.top == shapes[2].top);
    EXPECT_TRUE(alien.right < hit.left && hit.right < shapes[2].left);
    // An alien opens at the top; the hit is a closed ring around a dark centre.
    EXPECT_FALSE(isGlyph(alien.middle(), alien.top));
    EXPECT_TRUE(isGlyph(hit.middle(), hit.top));
    EXPECT_FALSE(isGlyph(hit.middle(), (hit.top + hit.bottom) / 2));

    // Lower right: a thin upright bar over the middle of the cannon, clear of it.
    EXPECT_GE(shot.left, kIconSize / 2);
    EXPECT_GE(cannon.left, kIconSize / 2);
    EXPECT_EQ(shot.left, shot.right);
    EXPECT_GE(shot.bottom - shot.top, 2);
    EXPECT_LT(shot.bottom + 1, cannon.top);
    EXPECT_EQ(shot.left, cannon.middle());
    EXPECT_TRUE(isGlyph(cannon.middle(), cannon.top)); // the cannon's tip
}

TEST(AssetFiles, EachFileDecodesToWhatWasDrawn) {
    const std::vector<AssetFile> files = drawAssetFiles();
    ASSERT_EQ(files.size(), 11U);
    EXPECT_EQ(files[0].name, "splash.bmp");
    EXPECT_EQ(files[1].name, "vantrel.ico");
    EXPECT_EQ(files[2].name, "vantrel.png");
    EXPECT_EQ(readBmp(files[0].bytes), drawSplash());
    EXPECT_EQ(readIco(files[1].bytes), icon());
    EXPECT_EQ(readPng(files[2].bytes), icon());
    // Every larger icon is the same icon, each pixel a square block of
    // `factor`, in the middle of a black square of `side` (the maskable and
    // home-screen ones keep a black margin that a launcher may crop).
    const auto expectIcon = [&](const AssetFile& file, const std::string& name, int factor,
                                int side) {
        SCOPED_TRACE(name);
        EXPECT_EQ(file.name, name);
        const Image big = readPng(file.bytes);
        ASSERT_EQ(big.width(), side);
        ASSERT_EQ(big.height(), side);
        const int margin = (side - kIconSize * factor) / 2;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const int ix = (x - margin) / factor;
                const int iy = (y - margin) / factor;
                const bool inside = x >= margin && y >= margin && ix < kIconSize && iy < kIconSize;
                ASSERT_EQ(big.pixel(x, y), inside ? icon().pixel(ix, iy) : Rgb{})
                    << "at " << x << ", " << y;
            }
        }
    };
    for (int i = 0; i < 3; ++i) {
        const int factor = 2 << i;
        expectIcon(files[3 + i], "vantrel-" + std::to_string(kIconSize * factor) + ".png", factor,
                   kIconSize * factor);
    }
    EXPECT_EQ(files[6].name, "splash.png");
    EXPECT_EQ(readPng(files[6].bytes), readBmp(files[0].bytes));
    expectIcon(files[7], "vantrel-192.png", 6, 192);
    expectIcon(files[8], "vantrel-512.png", 16, 512);
    expectIcon(files[9], "vantrel-maskable-512.png", 9, 512);
    expectIcon(files[10], "vantrel-touch-180.png", 5, 180);
}

TEST(AssetFiles, CommittedPngsAreCompressed) {
    // Pixel art this plain packs into a few kilobytes; a larger file means
    // the compression has been lost.
    constexpr std::uintmax_t kMostBytes = 16 * 1024;
    int pngs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VANTREL_ASSETS_DIR)) {
        if (entry.path().extension() == ".png") {
            ++pngs;
            EXPECT_LE(entry.file_size(), kMostBytes) << entry.path();
        }
    }
    EXPECT_EQ(pngs, 9);
}
