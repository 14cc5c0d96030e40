// The bitmap font's description file (.KEF); its glyph sheet is written with the data
// tools' PNG writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fonts {

// Face name and texture name (each NUL-terminated, at most 255 characters), the cell size
// and 256 widths as little-endian int32. False with the reason in *error.
bool WriteKef(const std::string& path, const std::string& faceName, const std::string& textureName, int32_t cellSize,
              const int32_t (&widths)[256], std::string* error);

}  // namespace fonts
