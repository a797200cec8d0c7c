#include "IconArt.h"
#include "AssetFiles.h"
#include "ImageReaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

const Image& icon() {
    static const Image image = drawIcon();
    return image;
}

// Glyph bodies are drawn in the brighter half of the greens; shadows and glow
// around them stay in the darker half.
bool isGlyph(Rgb c) {
    return c.g >= kIconGreens[4];
}

// Runs of columns that hold a glyph pixel between two rows (inclusive).
std::vector<std::pair<int, int>> glyphColumnRuns(int fromRow, int toRow) {
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < kIconSize; ++x) {
        bool any = false;
        for (int y = fromRow; y <= toRow; ++y) {
            any = any || isGlyph(icon().pixel(x, y));
        }
        if (any && (runs.empty() || runs.back().second != x - 1)) {
            runs.emplace_back(x, x);
        } else if (any) {
            runs.back().second = x;
        }
    }
    return runs;
}

// The bounding box of one 4-connected group of glyph pixels.
struct Box {
    int left = kIconSize;
    int top = kIconSize;
    int right = -1;
    int bottom = -1;
};

// The separate glyph shapes from a given row down, top to bottom.
std::vector<Box> glyphParts(int fromRow) {
    std::vector<std::vector<bool>> seen(kIconSize, std::vector<bool>(kIconSize, false));
    std::vector<Box> parts;
    for (int y = fromRow; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            if (seen[y][x] || !isGlyph(icon().pixel(x, y))) {
                continue;
            }
            Box box;
            std::vector<std::pair<int, int>> todo = {{x, y}};
            seen[y][x] = true;
            while (!todo.empty()) {
                const auto [px, py] = todo.back();
                todo.pop_back();
                box = {std::min(box.left, px), std::min(box.top, py), std::max(box.right, px),
                       std::max(box.bottom, py)};
                for (const auto& [nx, ny] :
                     {std::pair{px + 1, py}, {px - 1, py}, {px, py + 1}, {px, py - 1}}) {
                    if (nx >= 0 && nx < kIconSize && ny >= fromRow && ny < kIconSize &&
                        !seen[ny][nx] && isGlyph(icon().pixel(nx, ny))) {
                        seen[ny][nx] = true;
                        todo.emplace_back(nx, ny);
                    }
                }
            }
            parts.push_back(box);
        }
    }
    return parts;
}

} // namespace

TEST(Icon, UsesOnlyBlackAndTenShadesOfPureGreen) {
    ASSERT_EQ(icon().width(), kIconSize);
    ASSERT_EQ(icon().height(), kIconSize);
    std::set<int> greens;
    bool black = false;
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            const Rgb c = icon().pixel(x, y);
            ASSERT_EQ(c.r, 0) << "at " << x << "," << y;
            ASSERT_EQ(c.b, 0) << "at " << x << "," << y;
            if (c.g == 0) {
                black = true;
            } else {
                greens.insert(c.g);
            }
        }
    }
    EXPECT_TRUE(black);
    EXPECT_EQ(greens, std::set<int>(kIconGreens.begin(), kIconGreens.end()));
}

TEST(Icon, ShowsAlienHitAlienAlongTheTop) {
    constexpr int kTopBand = 11;
    const auto runs = glyphColumnRuns(0, kTopBand);
    ASSERT_EQ(runs.size(), 3U);
    EXPECT_LT(runs[0].first, 8);
    EXPECT_GT(runs[2].second, 23);

    // The hit is a closed ring: its centre is dark and walled in on all sides.
    const int cx = (runs[1].first + runs[1].second) / 2;
    int cy = 0;
    while (cy < kTopBand && !isGlyph(icon().pixel(cx, cy))) {
        ++cy;
    }
    cy += 3;
    EXPECT_FALSE(isGlyph(icon().pixel(cx, cy)));
    auto walled = [&](int dx, int dy) {
        for (int x = cx, y = cy; x >= 0 && x < kIconSize && y >= 0 && y <= kTopBand;
             x += dx, y += dy) {
            if (isGlyph(icon().pixel(x, y))) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(walled(1, 0) && walled(-1, 0) && walled(0, 1) && walled(0, -1));

    // An alien opens at the top: its middle column is dark on the glyph's first row.
    for (const auto& alien : {runs[0], runs[2]}) {
        const int mid = (alien.first + alien.second) / 2;
        int top = kTopBand;
        for (int x = alien.first; x <= alien.second; ++x) {
            for (int y = 0; y < top; ++y) {
                if (isGlyph(icon().pixel(x, y))) {
                    top = y;
                }
            }
        }
        EXPECT_FALSE(isGlyph(icon().pixel(mid, top)));
        EXPECT_TRUE(isGlyph(icon().pixel(alien.first, top)));
    }
}

TEST(Icon, ShowsAShotAboveTheCannonInTheRightHalf) {
    constexpr int kLowerBand = 12;
    const auto lower = glyphColumnRuns(kLowerBand, kIconSize - 1);
    ASSERT_FALSE(lower.empty());
    EXPECT_GE(lower.front().first, kIconSize / 2);

    const std::vector<Box> parts = glyphParts(kLowerBand);
    ASSERT_EQ(parts.size(), 2U);
    const Box& shot = parts[0];
    const Box& cannon = parts[1];
    // A thin upright bar, clear of the cannon and over its middle.
    EXPECT_EQ(shot.right, shot.left);
    EXPECT_GE(shot.bottom - shot.top + 1, 3);
    EXPECT_LT(shot.bottom + 1, cannon.top);
    EXPECT_EQ(shot.left, (cannon.left + cannon.right) / 2);
    EXPECT_GE(cannon.right - cannon.left + 1, 5);
}

TEST(AssetFiles, IconFilesAndSplashDecodeToWhatWasDrawn) {
    const std::vector<AssetFile> files = drawAssetFiles();
    ASSERT_EQ(files.size(), 3U);
    EXPECT_EQ(files[0].name, "splash.bmp");
    EXPECT_EQ(files[1].name, "vantrel.ico");
    EXPECT_EQ(files[2].name, "vantrel.png");
    EXPECT_EQ(readIco(files[1].bytes), icon());
    EXPECT_EQ(readPng(files[2].bytes), icon());
    const Image splash = readBmp(files[0].bytes);
    EXPECT_EQ(splash.width(), 624);
    EXPECT_EQ(splash.height(), 51);
}
