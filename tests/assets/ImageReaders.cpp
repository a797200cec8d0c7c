#include "ImageReaders.h"

#include <stdexcept>
#include <string>

namespace {

void require(bool condition, const std::string& what) {
    if (!condition) {
        throw std::runtime_error(what);
    }
}

std::uint32_t readLe16(const Bytes& b, std::size_t at) {
    require(at + 2 <= b.size(), "read past the end");
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8);
}

std::uint32_t readBe32(const Bytes& b, std::size_t at) {
    require(at + 4 <= b.size(), "read past the end");
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
           (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
}

// The 40-byte info header and the colour rows after it, bottom-up in
// blue-green-red order with zero padding to four bytes; an icon states twice
// its height because its mask rows follow.
Image readInfoAndRows(const Bytes& b, std::size_t at, int heightFactor) {
    require(readLe32(b, at) == 40, "info header size");
    const auto width = static_cast<int>(readLe32(b, at + 4));
    const auto height = static_cast<int>(readLe32(b, at + 8)) / heightFactor;
    require(readLe16(b, at + 12) == 1 && readLe16(b, at + 14) == 24, "not one plane of 24 bits");
    require(readLe32(b, at + 16) == 0 && readLe32(b, at + 32) == 0, "compressed or palette");
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    require(at + 40 + stride * static_cast<std::size_t>(height) <= b.size(), "rows past the end");
    Image image(width, height);
    for (int row = 0; row < height; ++row) {
        const std::size_t start = at + 40 + stride * static_cast<std::size_t>(row);
        for (int x = 0; x < width; ++x) {
            const std::size_t p = start + static_cast<std::size_t>(x) * 3;
            image.setPixel(x, height - 1 - row, {b[p + 2], b[p + 1], b[p]});
        }
        for (std::size_t pad = static_cast<std::size_t>(width) * 3; pad < stride; ++pad) {
            require(b[start + pad] == 0, "row padding is not zero");
        }
    }
    return image;
}

} // namespace

std::uint32_t readLe32(const Bytes& b, std::size_t at) {
    return readLe16(b, at) | (readLe16(b, at + 2) << 16);
}

Image readBmp(const Bytes& file) {
    require(file.size() >= 54 && file[0] == 'B' && file[1] == 'M', "no BM signature");
    require(readLe32(file, 2) == file.size(), "stated file size");
    require(readLe32(file, 10) == 54, "pixels do not follow the headers");
    const Image image = readInfoAndRows(file, 14, 1);
    require(54 + (static_cast<std::size_t>(image.width()) * 3 + 3) / 4 * 4 *
                        static_cast<std::size_t>(image.height()) ==
                file.size(),
            "bytes after the last row");
    return image;
}

Image readIco(const Bytes& file) {
    require(readLe16(file, 0) == 0 && readLe16(file, 2) == 1 && readLe16(file, 4) == 1,
            "not an icon file with one image");
    require(readLe16(file, 10) == 1 && readLe16(file, 12) == 24, "entry is not 24-bit");
    require(readLe32(file, 18) == 22 && 22 + readLe32(file, 14) == file.size(), "entry extent");
    const Image image = readInfoAndRows(file, 22, 2);
    require(file[6] == image.width() % 256 && file[7] == image.height() % 256, "entry size");
    const std::size_t maskStride = (static_cast<std::size_t>(image.width()) + 31) / 32 * 4;
    const std::size_t maskStart =
        file.size() - maskStride * static_cast<std::size_t>(image.height());
    require(maskStart == 62 + (static_cast<std::size_t>(image.width()) * 3 + 3) / 4 * 4 *
                                  static_cast<std::size_t>(image.height()),
            "mask does not follow the colour rows");
    for (std::size_t i = maskStart; i < file.size(); ++i) {
        require(file[i] == 0, "the mask makes a pixel transparent");
    }
    return image;
}

Image readPng(const Bytes& file) {
    const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    require(file.size() > 8 && Bytes(file.begin(), file.begin() + 8) == signature, "signature");

    Bytes header;
    Bytes zlib;
    std::string type;
    for (std::size_t at = 8; type != "IEND";) {
        const std::uint32_t length = readBe32(file, at);
        require(at + 12 + length <= file.size(), "chunk past the end");
        type.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                    file.begin() + static_cast<std::ptrdiff_t>(at + 8));
        require(crc32(std::span(file).subspan(at + 4, length + 4)) ==
                    readBe32(file, at + 8 + length),
                "bad CRC on " + type);
        const auto data = file.begin() + static_cast<std::ptrdiff_t>(at + 8);
        (type == "IHDR" ? header : zlib)
            .insert((type == "IHDR" ? header : zlib).end(), data, data + length);
        at += 12 + length;
        require(type != "IEND" || at == file.size(), "bytes after IEND");
    }
    require(header.size() == 13 && header[8] == 8 && header[9] == 2, "not 8-bit RGB");
    require(header[10] == 0 && header[11] == 0 && header[12] == 0, "method or interlace");
    const auto width = static_cast<int>(readBe32(header, 0));
    const auto height = static_cast<int>(readBe32(header, 4));

    require(zlib.size() >= 6 && ((zlib[0] << 8) | zlib[1]) % 31 == 0, "bad zlib header");
    Bytes raw;
    std::size_t at = 2;
    for (bool last = false; !last;) {
        require(at + 5 <= zlib.size() && (zlib[at] & 0x06) == 0, "not a stored block");
        last = (zlib[at] & 1) != 0;
        const std::uint32_t length = readLe16(zlib, at + 1);
        require((readLe16(zlib, at + 3) ^ 0xFFFF) == length, "stored block NLEN");
        require(at + 5 + length <= zlib.size(), "stored block past the end");
        const auto data = zlib.begin() + static_cast<std::ptrdiff_t>(at + 5);
        raw.insert(raw.end(), data, data + length);
        at += 5 + length;
    }
    require(at + 4 == zlib.size() && readBe32(zlib, at) == adler32(raw), "bad Adler-32");

    const std::size_t rowBytes = 1 + static_cast<std::size_t>(width) * 3;
    require(raw.size() == rowBytes * static_cast<std::size_t>(height), "pixel data size");
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
