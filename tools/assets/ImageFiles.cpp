#include "ImageFiles.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconEntrySize = 16;
constexpr int kMaxIconSide = 256;
// 96 dots per inch, in the pixels per metre that both formats store.
constexpr int kDotsPerMetre = 3780;
// For PNG the writer's quality is its compression effort; 0 asks for the most.
constexpr int kPngTightest = 0;

Bytes write(const Image& image, const char* format, int quality) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(toQImage(image))) {
        throw std::runtime_error(std::string("could not encode ") + format + ": " +
                                 writer.errorString().toStdString());
    }
    return Bytes(data.begin(), data.end());
}

void putLe16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void putLe32(Bytes& out, std::uint32_t value) {
    putLe16(out, value & 0xFFFF);
    putLe16(out, value >> 16);
}

void overwriteLe32(Bytes& out, std::size_t at, std::uint32_t value) {
    Bytes le;
    putLe32(le, value);
    std::copy(le.begin(), le.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

} // namespace

QImage toQImage(const Image& image) {
    QImage out(image.width(), image.height(), QImage::Format_RGB888);
    out.setDotsPerMeterX(kDotsPerMetre);
    out.setDotsPerMeterY(kDotsPerMetre);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const Rgb c = image.pixel(x, y);
            out.setPixel(x, y, qRgb(c.r, c.g, c.b));
        }
    }
    return out;
}

Bytes encodeBmp(const Image& image) {
    return write(image, "bmp", -1);
}

Bytes encodeIco(const Image& image) {
    if (image.width() > kMaxIconSide || image.height() > kMaxIconSide) {
        throw std::invalid_argument("an icon image can be at most 256 x 256 pixels");
    }
    // An icon's image is a bitmap without its file header, followed by a
    // transparency mask of one bit per pixel, rows padded to 32 bits; all
    // zero means opaque. Its info header states twice the height, for the
    // colour rows and the mask rows, and counts both in the image size.
    const Bytes bmp = encodeBmp(image);
    Bytes dib(bmp.begin() + kFileHeaderSize, bmp.end());
    const std::size_t maskBytes = (static_cast<std::size_t>(image.width()) + 31) / 32 * 4 *
                                  static_cast<std::size_t>(image.height());
    overwriteLe32(dib, 8, static_cast<std::uint32_t>(image.height() * 2));
    overwriteLe32(dib, 20, static_cast<std::uint32_t>(dib.size() - kInfoHeaderSize + maskBytes));
    dib.insert(dib.end(), maskBytes, 0);

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
    putLe32(out, static_cast<std::uint32_t>(dib.size()));
    putLe32(out, static_cast<std::uint32_t>(kIconDirSize + kIconEntrySize));
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

Bytes encodePng(const Image& image) {
    return write(image, "png", kPngTightest);
}
