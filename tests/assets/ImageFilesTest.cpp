#include "ImageFiles.h"
#include "ImageReaders.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

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

// How each enlargement comes out pixel for pixel is checked on the icons the
// tool writes (IconArtTest).
TEST(Image, RefusesEmptySizesPixelsOutsideItAndNoEnlargement) {
    EXPECT_THROW(Image(0, 5), std::invalid_argument);
    EXPECT_THROW(Image(5, -1), std::invalid_argument);
    Image image(3, 2);
    EXPECT_THROW(image.setPixel(3, 0, {}), std::out_of_range);
    EXPECT_THROW(static_cast<void>(image.pixel(-1, 1)), std::out_of_range);
    EXPECT_THROW(image.enlarged(0), std::invalid_argument);
}

TEST(Bmp, SplashSizedFileHasTheWindowsBitmapHeaderByteForByte) {
    struct Field {
        std::size_t offset;
        std::size_t size;
        std::uint32_t value;
    };
    // The 14-byte file header, then the 40-byte info header.
    const std::vector<Field> header = {
        {0, 2, 0x4D42}, // "BM"
        {2, 4, 95526},  // the file's size
        {6, 4, 0},      // reserved
        {10, 4, 54},    // where the pixels start: no colour table
        {14, 4, 40},    // info header size
        {18, 4, 624},   // width
        {22, 4, 51},    // height, positive: rows stored bottom-up
        {26, 2, 1},     // planes
        {28, 2, 24},    // bits per pixel
        {30, 4, 0},     // no compression
        {34, 4, 95472}, // pixel bytes: 51 rows of 1872
        {38, 4, 3780},  // 96 dots per inch, horizontally
        {42, 4, 3780},  // and vertically
        {46, 4, 0},     // colours used
        {50, 4, 0},     // important colours
    };
    const Bytes file = encodeBmp(Image(624, 51));
    ASSERT_EQ(file.size(), 95526U);
    for (const Field& field : header) {
        for (std::size_t i = 0; i < field.size; ++i) {
            EXPECT_EQ(file[field.offset + i], (field.value >> (8 * i)) & 0xFF)
                << "byte " << field.offset + i;
        }
    }
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

TEST(Png, RoundTripsAsCompressedOpaqueRgb) {
    for (const Image& image : {patterned(32, 32), patterned(200, 120)}) {
        const Bytes file = encodePng(image);
        EXPECT_EQ(readPng(file), image);
        // IHDR: 8 bits per channel, colour type 2 (RGB, no alpha), not interlaced.
        ASSERT_GT(file.size(), 29U);
        EXPECT_EQ(file[24], 8);
        EXPECT_EQ(file[25], 2);
        EXPECT_EQ(file[28], 0);
    }
    // An enlarged icon is mostly repeats: it must come out far smaller than
    // its 196608 bytes of pixels.
    const Bytes big = encodePng(patterned(32, 32).enlarged(8));
    EXPECT_LT(big.size(), 196608U / 10) << big.size() << " bytes";
}
