// BMP files: the reader takes every standard depth (1, 4, 8, 16, 24, 32 bits), bottom-up and
// top-down rows, the 12-byte core header, the 40-byte info header and its 52-, 56-, 64-, 108- and
// 124-byte successors, bit-field masks for 16 and 32 bits (5-5-5 and 8-8-8 when none are given)
// and RLE4/RLE8 (pixels the compressed data skips take colour 0 of the table); the raster keeps
// the file's format. A pixel whose colour index lies outside the colour table is an error. The
// writer always writes the 24-bit layout: 54-byte header, no colour table, rows bottom-up padded
// to 4 bytes with zeros.
//
// The reader works on a ByteSource: bytes in memory, or an open file read a band of rows at a
// time, so that a file is never held whole beside its picture. Every size the header gives is
// checked against the source's size first. A damaged or hostile file is a felmo::Error thrown
// before any large allocation: "Invalid BMP data. <what is wrong>." (the file forms say "Invalid
// BMP file
// "<path>". <what is wrong>.").
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/file_io.hpp"
#include "raster/raster.hpp"

namespace felmo {

Raster decodeBmp(std::span<const std::uint8_t> bytes);
Raster decodeBmp(ByteSource& source);
// Encodes a 24-bit raster (throws felmo::Error for any other format). The resolution fields
// carry the raster's pixels per metre (0 for rasters the program creates).
std::vector<std::uint8_t> encodeBmp(const Raster& raster);

// File forms. Reading: "Cannot open file "<path>". <reason>" when the file cannot be read, the
// decoder's message with the path when it is not a valid BMP. Writing: atomically, "Cannot create
// file "<path>". <reason>" on failure.
Raster loadBmpFile(const std::filesystem::path& path);
// The reading form for the bytes already read from `path`.
Raster decodeBmpFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
// The reading form for `path` open as `source`.
Raster decodeBmpFile(const std::filesystem::path& path, ByteSource& source);
void saveBmpFile(const Raster& raster, const std::filesystem::path& path);
// The raster's BMP file staged at `path` (see StagedFile), written a row at a time, so that the
// file's bytes are never held in memory beside the picture. Throws as saveBmpFile.
StagedFile stageBmpFile(const Raster& raster, const std::filesystem::path& path);

}  // namespace felmo
