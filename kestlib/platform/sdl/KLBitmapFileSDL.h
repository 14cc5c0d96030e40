// BMP loading for the SDL platform: SDL reads the file, the framework gets plain RGB rows.
#pragma once

#include <cstdint>

namespace _KL {

// Loads a BMP file as 24-bit RGB, rows top to bottom, 3 bytes per pixel with no row
// padding. The name is resolved case-blind as a data file. On success sets width, height,
// bitsPerPixel (always 24) and pixels (width * height * 3 bytes, allocated with new[]; the
// caller frees it with delete[]). On failure reports "Error cargando bitmap <name>",
// returns false and leaves every output as it was.
bool LoadBitmapRGB(const char* name, int32_t* width, int32_t* height, int32_t* bitsPerPixel, unsigned char** pixels);

}  // namespace _KL
