#include "Image.h"

#include <stdexcept>
#include <string>

Image::Image(int width, int height) : m_width(width), m_height(height) {
    if (width <= 0 || height <= 0) {
        throw std::invalid_argument("image size must be positive, got " + std::to_string(width) +
                                    " x " + std::to_string(height));
    }
    m_pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
}

Rgb Image::pixel(int x, int y) const {
    return m_pixels[indexOf(x, y)];
}

void Image::setPixel(int x, int y, Rgb colour) {
    m_pixels[indexOf(x, y)] = colour;
}

Image Image::enlarged(int factor) const {
    if (factor <= 0) {
        throw std::invalid_argument("enlargement factor must be positive, got " +
                                    std::to_string(factor));
    }
    Image big(m_width * factor, m_height * factor);
    for (int y = 0; y < big.height(); ++y) {
        for (int x = 0; x < big.width(); ++x) {
            big.setPixel(x, y, pixel(x / factor, y / factor));
        }
    }
    return big;
}

Image Image::centredOn(int side) const {
    if (side < m_width || side < m_height) {
        throw std::invalid_argument("a " + std::to_string(m_width) + " x " +
                                    std::to_string(m_height) + " picture does not fit in " +
                                    std::to_string(side));
    }
    Image square(side, side);
    const int left = (side - m_width) / 2;
    const int top = (side - m_height) / 2;
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            square.setPixel(left + x, top + y, pixel(x, y));
        }
    }
    return square;
}

std::size_t Image::indexOf(int x, int y) const {
    if (x < 0 || x >= m_width || y < 0 || y >= m_height) {
        throw std::out_of_range("pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                                ") is outside a " + std::to_string(m_width) + " x " +
                                std::to_string(m_height) + " image");
    }
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
           static_cast<std::size_t>(x);
}
