#pragma once

#include "Image.h"
#include "ImageFiles.h"

#include <cstdint>

// Independent readers for the files the asset tool writes. They throw
// std::runtime_error naming the first thing that is off, so a failing test
// says which field or checksum broke.

std::uint32_t readLe32(const Bytes& bytes, std::size_t offset);

// A bottom-up 24-bit uncompressed bitmap.
Image readBmp(const Bytes& file);

// A single-image 24-bit icon; also checks that its mask marks every pixel opaque.
Image readIco(const Bytes& file);

// An 8-bit RGB PNG whose image data is a zlib stream of stored blocks.
Image readPng(const Bytes& file);
