#pragma once

#include "Image.h"
#include "ImageFiles.h"

#include <cstdint>

// Readers for the files the asset tool writes. The bitmap and icon readers
// parse every header field themselves, independently of the writer; PNG is
// decoded by Qt. They throw std::runtime_error naming the first thing that is
// off, so a failing test says which field broke.

std::uint32_t readLe32(const Bytes& bytes, std::size_t offset);

// A bottom-up 24-bit uncompressed bitmap.
Image readBmp(const Bytes& file);

// A single-image 24-bit icon; also checks that its mask marks every pixel opaque.
Image readIco(const Bytes& file);

// An opaque PNG.
Image readPng(const Bytes& file);
