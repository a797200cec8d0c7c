#pragma once

#include "Image.h"

#include <cstdint>
#include <vector>

class QImage;

// Encoders for the file formats the game ships, built on Qt's image writers.
// Each returns the whole file as bytes, so the tool can write it or compare it
// with the committed copy. They throw std::runtime_error if the writer fails.
using Bytes = std::vector<std::uint8_t>;

// The picture as a 24-bit Qt image at 96 dots per inch.
QImage toQImage(const Image& image);

// An uncompressed Windows bitmap: 54-byte header, no colour table, 24 bits per
// pixel, rows stored bottom-up and padded to a multiple of four bytes.
Bytes encodeBmp(const Image& image);

// A Windows icon file holding one 24-bit image with an all-opaque mask.
// Throws std::invalid_argument for images wider or taller than 256 pixels,
// which the format cannot describe.
Bytes encodeIco(const Image& image);

// A PNG file, 8-bit RGB, no interlacing, compressed as tightly as the
// writer can.
Bytes encodePng(const Image& image);
