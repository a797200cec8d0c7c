#include "SplashArt.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const Image& splash() {
    static const Image image = drawSplash();
    return image;
}

bool isInk(Rgb c) {
    return c.r != 0 || c.g != 0 || c.b != 0;
}

// Paleness (red) and brightness (green) summed over the first and the second
// half of each run of ink that crosses a stroke, along columns or rows. Longer
// runs go along a stroke rather than across it and are left out.
struct HalfSums {
    long firstRed = 0;
    long secondRed = 0;
    long firstGreen = 0;
    long secondGreen = 0;
};

HalfSums sumStrokeHalves(bool alongColumns) {
    constexpr int kShortest = 6;
    constexpr int kLongest = 14;
    const Image& image = splash();
    const int lines = alongColumns ? image.width() : image.height();
    const int length = alongColumns ? image.height() : image.width();
    auto at = [&](int line, int i) {
        return alongColumns ? image.pixel(line, i) : image.pixel(i, line);
    };
    HalfSums sums;
    for (int line = 0; line < lines; ++line) {
        for (int i = 0; i < length;) {
            const int start = i;
            while (i < length && isInk(at(line, i))) {
                ++i;
            }
            if (i - start >= kShortest && i - start <= kLongest) {
                for (int k = 0; k < (i - start) / 2; ++k) {
                    sums.firstRed += at(line, start + k).r;
                    sums.firstGreen += at(line, start + k).g;
                    sums.secondRed += at(line, i - 1 - k).r;
                    sums.secondGreen += at(line, i - 1 - k).g;
                }
            }
            i = std::max(i, start + 1);
        }
    }
    return sums;
}

} // namespace

TEST(Splash, IsGreenOnBlackAndFillsTheWholePicture) {
    ASSERT_EQ(splash().width(), kSplashWidth);
    ASSERT_EQ(splash().height(), kSplashHeight);
    int left = splash().width();
    int right = -1;
    int top = splash().height();
    int bottom = -1;
    for (int y = 0; y < splash().height(); ++y) {
        for (int x = 0; x < splash().width(); ++x) {
            const Rgb c = splash().pixel(x, y);
            ASSERT_TRUE(c.g >= c.r && c.g >= c.b) << "not black or green at " << x << "," << y;
            if (isInk(c)) {
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
        for (int y = 0; y < splash().height(); ++y) {
            columnHasInk = columnHasInk || isInk(splash().pixel(x, y));
        }
        letters += columnHasInk && !inLetter ? 1 : 0;
        inLetter = columnHasInk;
    }
    EXPECT_EQ(letters, static_cast<int>(kSplashTitle.size()));
}

TEST(Splash, StrokesArePaleOnTheirTopAndLeftFlanksAndDarkBelowAndRight) {
    // Light from the upper left: crossing a stroke downwards or rightwards
    // runs from the pale lit flank into the dark shadow.
    for (const bool alongColumns : {true, false}) {
        const HalfSums sums = sumStrokeHalves(alongColumns);
        EXPECT_GT(sums.firstRed, 3 * sums.secondRed) << (alongColumns ? "down" : "across");
        EXPECT_GT(sums.firstGreen, sums.secondGreen) << (alongColumns ? "down" : "across");
    }
}
