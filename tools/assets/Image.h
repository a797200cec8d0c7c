#pragma once

#include <cstdint>
#include <vector>

// One 24-bit colour. The assets never need transparency: the icon is fully
// opaque and the splash picture has a black background of its own.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    bool operator==(const Rgb&) const = default;
};

// A width × height block of RGB pixels, row 0 at the top, starting all black.
// Pixel access is range-checked because a drawing bug that writes outside the
// picture should stop the tool rather than quietly corrupt a committed asset.
class Image {
public:
    Image(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }

    Rgb pixel(int x, int y) const;
    void setPixel(int x, int y, Rgb colour);

    // The picture blown up `factor` times, each pixel becoming a square
    // block, so a small pixel-art icon stays crisp at desktop sizes.
    Image enlarged(int factor) const;

    // The picture in the middle of a black square of `side` pixels, for
    // icons that a launcher crops to a circle or rounds at the corners.
    Image centredOn(int side) const;

    bool operator==(const Image&) const = default;

private:
    std::size_t indexOf(int x, int y) const;

    int m_width;
    int m_height;
    std::vector<Rgb> m_pixels;
};
