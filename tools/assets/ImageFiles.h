#pragma once

#include "Image.h"

#include <cstdint>
#include <span>
#include <vector>

// Encoders for the three file formats the game ships. Each returns the whole
// file as bytes, so the tool can write it or compare it with the committed copy.
using Bytes = std::vector<std::uint8_t>;

// An uncompressed Windows bitmap: 54-byte header, no colour table, 24 bits per
// pixel, rows stored bottom-up and padded to a multiple of four bytes.
Bytes encodeBmp(const Image& image);

// A Windows icon file holding one 24-bit image with an all-opaque mask.
// Throws std::invalid_argument for images wider or taller than 256 pixels,
// which the format cannot describe.
Bytes encodeIco(const Image& image);

// A PNG file, 8-bit RGB, no interlacing. The image data is deflated with
// stored blocks only: the icon is tiny, and it keeps the tool free of a
// compression library.
Bytes encodePng(const Image& image);

// The checksums PNG needs: CRC-32 of each chunk and Adler-32 of the zlib stream.
std::uint32_t crc32(std::span<const std::uint8_t> data);
std::uint32_t adler32(std::span<const std::uint8_t> data);
