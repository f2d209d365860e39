#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace resourcetest {

// A decoded 8-bit RGBA PNG image.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // 4 bytes per pixel, rows top to bottom

    int opaquePixels() const; // pixels whose alpha is not 0
};

// Reads a non-interlaced 8-bit RGBA PNG, checking its signature, every chunk's
// CRC, the zlib stream and the row filters. Returns "" on success, otherwise
// what is wrong.
std::string ReadRgbaPng(const std::filesystem::path& path, RgbaImage& image);

// The header fields of an uncompressed BMP file.
struct BmpInfo {
    int width = 0;
    int height = 0; // negative for a top-down picture
    int bitsPerPixel = 0;
    std::vector<std::uint8_t> pixels; // the pixel rows as stored, padding included
};

// Reads a BMP with a 40-byte info header and no compression, checking that
// the sizes in its headers agree with the file. Returns "" or what is wrong.
std::string ReadBmp(const std::filesystem::path& path, BmpInfo& info);

} // namespace resourcetest
