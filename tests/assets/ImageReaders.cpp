#include "ImageReaders.h"

#include <stdexcept>
#include <string_view>

namespace {

void require(bool condition, const std::string& what) {
    if (!condition) {
        throw std::runtime_error(what);
    }
}

std::uint32_t readBe32(const Bytes& bytes, std::size_t offset) {
    require(offset + 4 <= bytes.size(), "read past the end at " + std::to_string(offset));
    return (std::uint32_t{bytes[offset]} << 24) | (std::uint32_t{bytes[offset + 1]} << 16) |
           (std::uint32_t{bytes[offset + 2]} << 8) | std::uint32_t{bytes[offset + 3]};
}

// Reads the colour rows of a bitmap or icon: bottom-up, blue-green-red, each
// row padded with zero bytes to a multiple of four.
Image readBgrRows(const Bytes& bytes, std::size_t offset, int width, int height) {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    require(offset + stride * static_cast<std::size_t>(height) <= bytes.size(),
            "pixel rows run past the end of the file");
    Image image(width, height);
    for (int row = 0; row < height; ++row) {
        const std::size_t start = offset + stride * static_cast<std::size_t>(row);
        for (int x = 0; x < width; ++x) {
            const std::size_t at = start + static_cast<std::size_t>(x) * 3;
            image.setPixel(x, height - 1 - row, {bytes[at + 2], bytes[at + 1], bytes[at]});
        }
        for (std::size_t pad = static_cast<std::size_t>(width) * 3; pad < stride; ++pad) {
            require(bytes[start + pad] == 0, "row padding is not zero");
        }
    }
    return image;
}

void requireInfoHeader(const Bytes& bytes, std::size_t at, int width, int statedHeight) {
    require(readLe32(bytes, at) == 40, "info header size is not 40");
    require(readLe32(bytes, at + 4) == static_cast<std::uint32_t>(width), "info header width");
    require(readLe32(bytes, at + 8) == static_cast<std::uint32_t>(statedHeight),
            "info header height");
    require(readLe16(bytes, at + 12) == 1, "planes is not 1");
    require(readLe16(bytes, at + 14) == 24, "bits per pixel is not 24");
    require(readLe32(bytes, at + 16) == 0, "compression is not none");
    require(readLe32(bytes, at + 32) == 0, "a colour table is declared");
}

} // namespace

std::uint32_t readLe16(const Bytes& bytes, std::size_t offset) {
    require(offset + 2 <= bytes.size(), "read past the end at " + std::to_string(offset));
    return std::uint32_t{bytes[offset]} | (std::uint32_t{bytes[offset + 1]} << 8);
}

std::uint32_t readLe32(const Bytes& bytes, std::size_t offset) {
    return readLe16(bytes, offset) | (readLe16(bytes, offset + 2) << 16);
}

Image readBmp(const Bytes& file) {
    require(file.size() >= 54 && file[0] == 'B' && file[1] == 'M', "no BM signature");
    require(readLe32(file, 2) == file.size(), "stated file size differs from the real one");
    require(readLe32(file, 10) == 54, "pixels do not start right after the headers");
    const auto width = static_cast<int>(readLe32(file, 18));
    const auto height = static_cast<int>(readLe32(file, 22));
    require(width > 0 && height > 0, "not a bottom-up bitmap of positive size");
    requireInfoHeader(file, 14, width, height);
    require(readLe32(file, 34) == file.size() - 54, "stated image size");
    return readBgrRows(file, 54, width, height);
}

Image readIco(const Bytes& file) {
    require(readLe16(file, 0) == 0 && readLe16(file, 2) == 1, "not an icon directory");
    require(readLe16(file, 4) == 1, "not exactly one image");
    const int width = file.at(6) == 0 ? 256 : file.at(6);
    const int height = file.at(7) == 0 ? 256 : file.at(7);
    require(file.at(8) == 0, "a palette is declared");
    require(readLe16(file, 10) == 1 && readLe16(file, 12) == 24, "entry is not 24-bit");
    const std::uint32_t resourceBytes = readLe32(file, 14);
    const std::uint32_t offset = readLe32(file, 18);
    require(offset == 22 && offset + resourceBytes == file.size(), "entry offset or size");
    requireInfoHeader(file, offset, width, height * 2);

    const std::size_t colourStart = offset + 40;
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t maskStart = colourStart + stride * static_cast<std::size_t>(height);
    const std::size_t maskStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    require(maskStart + maskStride * static_cast<std::size_t>(height) == file.size(),
            "mask size does not fill the rest of the file");
    for (std::size_t i = maskStart; i < file.size(); ++i) {
        require(file[i] == 0, "the mask makes a pixel transparent");
    }
    return readBgrRows(file, colourStart, width, height);
}

Image readPng(const Bytes& file) {
    const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    require(file.size() > 8 && Bytes(file.begin(), file.begin() + 8) == signature,
            "no PNG signature");

    Bytes header;
    Bytes zlib;
    bool ended = false;
    for (std::size_t at = 8; !ended;) {
        const std::uint32_t length = readBe32(file, at);
        require(at + 12 + length <= file.size(), "chunk runs past the end");
        const std::string type(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                               file.begin() + static_cast<std::ptrdiff_t>(at + 8));
        const std::span<const std::uint8_t> typeAndData(file.data() + at + 4, length + 4);
        require(crc32(typeAndData) == readBe32(file, at + 8 + length), "bad CRC on " + type);
        const Bytes data(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                         file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        if (type == "IHDR") {
            header = data;
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), data.begin(), data.end());
        } else if (type == "IEND") {
            ended = true;
            require(at + 12 == file.size(), "bytes after IEND");
        }
        at += 12 + length;
    }

    require(header.size() == 13, "IHDR is not 13 bytes");
    const auto width = static_cast<int>(readBe32(header, 0));
    const auto height = static_cast<int>(readBe32(header, 4));
    require(header[8] == 8 && header[9] == 2, "not 8-bit RGB");
    require(header[10] == 0 && header[11] == 0 && header[12] == 0,
            "unexpected method or interlace");

    require(zlib.size() >= 6 && ((zlib[0] << 8) | zlib[1]) % 31 == 0 && (zlib[0] & 0x0F) == 8,
            "bad zlib header");
    Bytes raw;
    std::size_t at = 2;
    for (bool last = false; !last;) {
        require(at + 5 <= zlib.size(), "deflate block header runs past the end");
        require((zlib[at] & 0x06) == 0, "not a stored deflate block");
        last = (zlib[at] & 1) != 0;
        const std::uint32_t length = readLe16(zlib, at + 1);
        require((readLe16(zlib, at + 3) ^ 0xFFFF) == length, "stored block NLEN mismatch");
        require(at + 5 + length <= zlib.size(), "stored block runs past the end");
        raw.insert(raw.end(), zlib.begin() + static_cast<std::ptrdiff_t>(at + 5),
                   zlib.begin() + static_cast<std::ptrdiff_t>(at + 5 + length));
        at += 5 + length;
    }
    require(at + 4 == zlib.size() && readBe32(zlib, at) == adler32(raw), "bad Adler-32 trailer");

    const std::size_t rowBytes = 1 + static_cast<std::size_t>(width) * 3;
    require(raw.size() == rowBytes * static_cast<std::size_t>(height),
            "wrong amount of pixel data");
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        const std::size_t start = rowBytes * static_cast<std::size_t>(y);
        require(raw[start] == 0, "a scanline uses a filter");
        for (int x = 0; x < width; ++x) {
            const std::size_t p = start + 1 + static_cast<std::size_t>(x) * 3;
            image.setPixel(x, y, {raw[p], raw[p + 1], raw[p + 2]});
        }
    }
    return image;
}
