#include "ImageFiles.h"
#include "ImageReaders.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string_view>

namespace {

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// Every pixel different and no two channels alike, so a swapped channel, a
// flipped row order or a shifted row shows up as a mismatch.
Image patterned(int width, int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y,
                           {static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(y * 13),
                            static_cast<std::uint8_t>(x * 3 + y * 5 + 1)});
        }
    }
    return image;
}

} // namespace

TEST(Checksums, MatchPublishedCheckValues) {
    EXPECT_EQ(crc32(bytesOf("123456789")), 0xCBF43926U);
    EXPECT_EQ(crc32({}), 0U);
    EXPECT_EQ(adler32(bytesOf("Wikipedia")), 0x11E60398U);
    EXPECT_EQ(adler32({}), 1U);
}

TEST(Image, RefusesEmptySizesAndPixelsOutsideIt) {
    EXPECT_THROW(Image(0, 5), std::invalid_argument);
    EXPECT_THROW(Image(5, -1), std::invalid_argument);
    Image image(3, 2);
    EXPECT_THROW(image.setPixel(3, 0, {}), std::out_of_range);
    EXPECT_THROW(static_cast<void>(image.pixel(-1, 1)), std::out_of_range);
}

TEST(Bmp, SplashSizedFileHasTheExpectedHeaderAndLength) {
    const Bytes file = encodeBmp(Image(624, 51));
    ASSERT_EQ(file.size(), 95526U);
    EXPECT_EQ(readLe32(file, 18), 624U);
    EXPECT_EQ(readLe32(file, 22), 51U); // positive: rows stored bottom-up
    EXPECT_EQ(readLe32(file, 34), 1872U * 51U);
}

TEST(Bmp, StoresRowsBottomUpInBgrOrderAndRoundTripsAnyWidth) {
    // Three pixels make a 9-byte row, padded to 12; the top row is stored last.
    Image image(3, 2);
    image.setPixel(0, 0, {1, 2, 3});
    const Bytes file = encodeBmp(image);
    ASSERT_EQ(file.size(), 54U + 2 * 12U);
    EXPECT_EQ(file[54 + 12], 3);
    EXPECT_EQ(file[54 + 12 + 2], 1);
    for (const int width : {1, 2, 3, 5, 624}) {
        const Image picture = patterned(width, 4);
        EXPECT_EQ(readBmp(encodeBmp(picture)), picture) << "width " << width;
    }
}

TEST(Ico, HoldsOneOpaque24BitImageUpTo256Square) {
    const Image image = patterned(32, 32);
    const Bytes file = encodeIco(image);
    EXPECT_EQ(file.size(), 6U + 16U + 40U + 32U * 32U * 3U + 32U * 4U);
    EXPECT_EQ(readIco(file), image);
    // The format writes a side of 256 as 0 and cannot describe more.
    const Image wide = patterned(256, 3);
    EXPECT_EQ(readIco(encodeIco(wide)), wide);
    EXPECT_THROW(encodeIco(Image(257, 1)), std::invalid_argument);
}

TEST(Png, RoundTripsAndDetectsCorruption) {
    const Image small = patterned(32, 32);
    EXPECT_EQ(readPng(encodePng(small)), small);
    // More than 65535 bytes of scanlines need several stored blocks.
    const Image large = patterned(200, 120);
    EXPECT_EQ(readPng(encodePng(large)), large);

    Bytes file = encodePng(small);
    file[file.size() / 2] ^= 0x01;
    EXPECT_THROW(readPng(file), std::runtime_error);
}

TEST(Image, EnlargesPixelExactly) {
    const Image small = patterned(3, 2);
    const Image big = small.enlarged(4);
    ASSERT_EQ(big.width(), 12);
    ASSERT_EQ(big.height(), 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 12; ++x) {
            ASSERT_EQ(big.pixel(x, y), small.pixel(x / 4, y / 4)) << x << "," << y;
        }
    }
    EXPECT_THROW(small.enlarged(0), std::invalid_argument);
}
