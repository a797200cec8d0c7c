#pragma once

#include "Image.h"
#include "ImageFiles.h"

#include <cstdint>
#include <string>

// Independent readers for the files the asset tool writes. They check every
// header field and checksum they pass over and throw std::runtime_error with a
// reason when something is off, so a test failure names the broken field.

std::uint32_t readLe16(const Bytes& bytes, std::size_t offset);
std::uint32_t readLe32(const Bytes& bytes, std::size_t offset);

// A bottom-up 24-bit uncompressed bitmap, as the splash picture is stored.
Image readBmp(const Bytes& file);

// A single-image 24-bit icon; also checks that its mask marks every pixel opaque.
Image readIco(const Bytes& file);

// An 8-bit RGB PNG whose image data is a zlib stream of stored blocks.
Image readPng(const Bytes& file);
