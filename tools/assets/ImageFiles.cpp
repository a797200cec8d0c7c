#include "ImageFiles.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconEntrySize = 16;
constexpr int kMaxIconSide = 256;
constexpr std::size_t kMaxStoredBlock = 65535;

void putLe16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void putLe32(Bytes& out, std::uint32_t value) {
    putLe16(out, value & 0xFFFF);
    putLe16(out, value >> 16);
}

void putBe32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

// Bytes per stored row of 24-bit pixels; Windows bitmaps pad every row to 4 bytes.
std::size_t bgrRowStride(int width) {
    return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
}

// The BITMAPINFOHEADER shared by bitmaps and icons. An icon states twice its
// height because its colour rows are followed by the rows of the mask.
void putInfoHeader(Bytes& out, const Image& image, int statedHeight, std::uint32_t imageBytes) {
    putLe32(out, kInfoHeaderSize);
    putLe32(out, static_cast<std::uint32_t>(image.width()));
    putLe32(out, static_cast<std::uint32_t>(statedHeight));
    putLe16(out, 1);  // planes
    putLe16(out, 24); // bits per pixel
    putLe32(out, 0);  // no compression
    putLe32(out, imageBytes);
    putLe32(out, 3780); // 96 dots per inch, in pixels per metre
    putLe32(out, 3780);
    putLe32(out, 0); // no colour table
    putLe32(out, 0);
}

// Colour rows bottom-up in blue-green-red order, as both bitmaps and icons store them.
void putBgrRows(Bytes& out, const Image& image) {
    const std::size_t padding =
        bgrRowStride(image.width()) - static_cast<std::size_t>(image.width()) * 3;
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            const Rgb c = image.pixel(x, y);
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
        }
        out.insert(out.end(), padding, 0);
    }
}

void putPngChunk(Bytes& out, std::string_view type, const Bytes& data) {
    putBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeStart = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    putBe32(out, crc32(std::span(out).subspan(typeStart)));
}

} // namespace

Bytes encodeBmp(const Image& image) {
    const auto imageBytes = static_cast<std::uint32_t>(bgrRowStride(image.width()) *
                                                       static_cast<std::size_t>(image.height()));
    const auto offset = static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize);
    Bytes out;
    out.reserve(offset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    putLe32(out, offset + imageBytes);
    putLe32(out, 0); // reserved
    putLe32(out, offset);
    putInfoHeader(out, image, image.height(), imageBytes);
    putBgrRows(out, image);
    return out;
}

Bytes encodeIco(const Image& image) {
    if (image.width() > kMaxIconSide || image.height() > kMaxIconSide) {
        throw std::invalid_argument("an icon image can be at most 256 x 256 pixels");
    }
    // The mask has one bit per pixel, rows padded to 32 bits; all zero means opaque.
    const std::size_t maskStride = (static_cast<std::size_t>(image.width()) + 31) / 32 * 4;
    const std::size_t colourBytes =
        bgrRowStride(image.width()) * static_cast<std::size_t>(image.height());
    const std::size_t maskBytes = maskStride * static_cast<std::size_t>(image.height());
    const auto resourceBytes =
        static_cast<std::uint32_t>(kInfoHeaderSize + colourBytes + maskBytes);

    Bytes out;
    putLe16(out, 0); // reserved
    putLe16(out, 1); // type: icon
    putLe16(out, 1); // one image
    // A side of 256 is written as 0, which is how the format spells it.
    out.push_back(static_cast<std::uint8_t>(image.width() % kMaxIconSide));
    out.push_back(static_cast<std::uint8_t>(image.height() % kMaxIconSide));
    out.push_back(0); // no palette
    out.push_back(0); // reserved
    putLe16(out, 1);  // planes
    putLe16(out, 24); // bits per pixel
    putLe32(out, resourceBytes);
    putLe32(out, static_cast<std::uint32_t>(kIconDirSize + kIconEntrySize));
    putInfoHeader(out, image, image.height() * 2,
                  static_cast<std::uint32_t>(colourBytes + maskBytes));
    putBgrRows(out, image);
    out.insert(out.end(), maskBytes, 0);
    return out;
}

Bytes encodePng(const Image& image) {
    // Raw scanlines, each led by filter type 0 (none).
    Bytes raw;
    raw.reserve(static_cast<std::size_t>(image.height()) *
                (1 + static_cast<std::size_t>(image.width()) * 3));
    for (int y = 0; y < image.height(); ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width(); ++x) {
            const Rgb c = image.pixel(x, y);
            raw.push_back(c.r);
            raw.push_back(c.g);
            raw.push_back(c.b);
        }
    }

    // A zlib stream of stored deflate blocks (no compression), then Adler-32.
    Bytes zlib = {0x78, 0x01};
    std::size_t done = 0;
    do {
        const std::size_t length = std::min(kMaxStoredBlock, raw.size() - done);
        const bool last = done + length == raw.size();
        zlib.push_back(last ? 1 : 0);
        putLe16(zlib, static_cast<std::uint32_t>(length));
        putLe16(zlib, static_cast<std::uint32_t>(~length & 0xFFFF));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(done),
                    raw.begin() + static_cast<std::ptrdiff_t>(done + length));
        done += length;
    } while (done < raw.size());
    putBe32(zlib, adler32(raw));

    Bytes header;
    putBe32(header, static_cast<std::uint32_t>(image.width()));
    putBe32(header, static_cast<std::uint32_t>(image.height()));
    header.insert(header.end(),
                  {8, 2, 0, 0, 0}); // 8-bit, RGB, deflate, no filter variants, no interlace

    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putPngChunk(out, "IHDR", header);
    putPngChunk(out, "IDAT", zlib);
    putPngChunk(out, "IEND", {});
    return out;
}

std::uint32_t crc32(std::span<const std::uint8_t> data) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const std::uint8_t byte : data) {
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFU;
}

std::uint32_t adler32(std::span<const std::uint8_t> data) {
    constexpr std::uint32_t kModulus = 65521;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const std::uint8_t byte : data) {
        a = (a + byte) % kModulus;
        b = (b + a) % kModulus;
    }
    return (b << 16) | a;
}
