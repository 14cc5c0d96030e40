// One captured frame as a PNG file: 8-bit RGB, written fast (a low zlib level and a
// cheap row filter, since a capture writes thousands of them) and byte for byte the same
// for the same pixels.
#pragma once

#include <cstdint>
#include <string>

// Rows come bottom row first, as OpenGL reads them back; the file has the top row first.
// False with *error ("cannot write PATH: why"); a failed file is never left under its name.
bool WritePng(const std::string& path, const uint8_t* rgbBottomUp, int32_t width, int32_t height,
              std::string* error);
