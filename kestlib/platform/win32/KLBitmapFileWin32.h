// BMP loading on Win32: the system decodes the file (every depth, palettes, RLE), the
// framework gets plain RGB rows.
#pragma once

#include <cstdint>

namespace _KL {

// Loads a BMP file as 24-bit RGB, rows top to bottom, 3 bytes per pixel with no row
// padding. The name is resolved case-blind as a data file; only regular files are read.
// On success sets width, height, bitsPerPixel (always 24) and pixels (width * height * 3
// bytes from new[]; the caller frees them with delete[]). On failure reports "Error
// cargando bitmap <name>", traces why, returns false and leaves every output as it was.
bool LoadBitmapRGB(const char* name, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                   unsigned char** pixels);

}  // namespace _KL
