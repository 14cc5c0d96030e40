// The two files of a bitmap font: the .KEF description and the PNG glyph sheet it names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fonts {

// Face name and texture name (each NUL-terminated, at most 255 characters), the cell size
// and 256 widths as little-endian int32. False with the reason in *error.
bool WriteKef(const std::string& path, const std::string& faceName, const std::string& textureName, int32_t cellSize,
              const int32_t (&widths)[256], std::string* error);

// Writes width x height RGBA pixels (rows top to bottom) as an 8-bit PNG.
bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  std::string* error);

}  // namespace fonts
