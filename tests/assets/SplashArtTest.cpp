#include "SplashArt.h"
#include "ImageFiles.h"
#include "ImageReaders.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const Image& splash() {
    static const Image image = drawSplash();
    return image;
}

bool isInk(Rgb c) {
    return c.r != 0 || c.g != 0 || c.b != 0;
}

// Sums of red (paleness) and green (brightness) over the first and second half
// of every run of ink that crosses a stroke, along rows or columns. Runs much
// longer than a stroke is wide run along a stroke instead, and are left out.
struct HalfSums {
    long firstRed = 0;
    long secondRed = 0;
    long firstGreen = 0;
    long secondGreen = 0;
};

constexpr int kMinRun = 6;
constexpr int kMaxRun = 14;

HalfSums sumRunHalves(const Image& image, bool alongColumns) {
    HalfSums sums;
    const int lines = alongColumns ? image.width() : image.height();
    const int length = alongColumns ? image.height() : image.width();
    auto at = [&](int line, int i) {
        return alongColumns ? image.pixel(line, i) : image.pixel(i, line);
    };
    for (int line = 0; line < lines; ++line) {
        int i = 0;
        while (i < length) {
            if (!isInk(at(line, i))) {
                ++i;
                continue;
            }
            const int start = i;
            while (i < length && isInk(at(line, i))) {
                ++i;
            }
            if (i - start < kMinRun || i - start > kMaxRun) {
                continue;
            }
            const int half = (i - start) / 2;
            for (int k = 0; k < half; ++k) {
                sums.firstRed += at(line, start + k).r;
                sums.firstGreen += at(line, start + k).g;
                sums.secondRed += at(line, i - 1 - k).r;
                sums.secondGreen += at(line, i - 1 - k).g;
            }
        }
    }
    return sums;
}

} // namespace

TEST(Splash, IsThePictureSizeShownUnscaledInTheSplashWindow) {
    EXPECT_EQ(splash().width(), 624);
    EXPECT_EQ(splash().height(), 51);
    EXPECT_EQ(encodeBmp(splash()).size(), 95526U);
}

TEST(Splash, EveryPixelIsBlackOrAShadeOfGreen) {
    int ink = 0;
    for (int y = 0; y < splash().height(); ++y) {
        for (int x = 0; x < splash().width(); ++x) {
            const Rgb c = splash().pixel(x, y);
            ASSERT_GE(c.g, c.r) << "at " << x << "," << y;
            ASSERT_GE(c.g, c.b) << "at " << x << "," << y;
            ink += isInk(c) ? 1 : 0;
        }
    }
    // The letters cover a fair part of the strip but leave most of it black.
    EXPECT_GT(ink, splash().width() * splash().height() / 10);
    EXPECT_LT(ink, splash().width() * splash().height() / 2);
}

TEST(Splash, TitleFillsTheFullWidthAndHeight) {
    int left = splash().width();
    int right = -1;
    int top = splash().height();
    int bottom = -1;
    for (int y = 0; y < splash().height(); ++y) {
        for (int x = 0; x < splash().width(); ++x) {
            if (isInk(splash().pixel(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    EXPECT_LE(left, 2);
    EXPECT_GE(right, splash().width() - 3);
    EXPECT_LE(top, 2);
    EXPECT_GE(bottom, splash().height() - 3);
}

TEST(Splash, ShowsSevenLettersSeparatedByBlackColumns) {
    int letters = 0;
    bool inLetter = false;
    for (int x = 0; x < splash().width(); ++x) {
        bool columnHasInk = false;
        for (int y = 0; y < splash().height() && !columnHasInk; ++y) {
            columnHasInk = isInk(splash().pixel(x, y));
        }
        if (columnHasInk && !inLetter) {
            ++letters;
        }
        inLetter = columnHasInk;
    }
    EXPECT_EQ(letters, static_cast<int>(kSplashTitle.size()));
}

TEST(Splash, LettersArePaleOnTheirTopAndLeftFlanksAndDarkBelowAndRight) {
    // Light from the upper left: crossing any stroke from top to bottom, or
    // from left to right, runs from the pale lit flank into the dark shadow.
    const HalfSums down = sumRunHalves(splash(), true);
    EXPECT_GT(down.firstRed, 3 * down.secondRed);
    EXPECT_GT(down.firstGreen, down.secondGreen);
    const HalfSums across = sumRunHalves(splash(), false);
    EXPECT_GT(across.firstRed, 3 * across.secondRed);
    EXPECT_GT(across.firstGreen, across.secondGreen);

    bool pale = false;
    bool deepShadow = false;
    for (int y = 0; y < splash().height(); ++y) {
        for (int x = 0; x < splash().width(); ++x) {
            const Rgb c = splash().pixel(x, y);
            pale = pale || (c.g == 255 && c.r >= 150 && c.b >= 150);
            // Dark but fully inside a stroke: all four neighbours are ink.
            deepShadow =
                deepShadow || (c.r == 0 && c.g > 0 && c.g < 128 && x > 0 && y > 0 &&
                               x + 1 < splash().width() && y + 1 < splash().height() &&
                               isInk(splash().pixel(x - 1, y)) && isInk(splash().pixel(x + 1, y)) &&
                               isInk(splash().pixel(x, y - 1)) && isInk(splash().pixel(x, y + 1)));
        }
    }
    EXPECT_TRUE(pale);
    EXPECT_TRUE(deepShadow);
}
