#include "ImageReaders.h"

#include <QImage>

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
    const QImage decoded = QImage::fromData(file.data(), static_cast<int>(file.size()), "PNG");
    require(!decoded.isNull(), "not a PNG Qt can read");
    require(!decoded.hasAlphaChannel(), "the PNG has transparency");
    const QImage rgb = decoded.convertToFormat(QImage::Format_RGB888);
    Image image(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = rgb.pixel(x, y);
            image.setPixel(x, y,
                           {static_cast<std::uint8_t>(qRed(c)),
                            static_cast<std::uint8_t>(qGreen(c)),
                            static_cast<std::uint8_t>(qBlue(c))});
        }
    }
    return image;
}
