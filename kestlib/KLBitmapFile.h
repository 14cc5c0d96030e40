// What every platform's BMP loading shares: the decoded picture and how it is handed out
// to LoadBitmapFile's caller, or reported when the platform's reader refused the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace KL {

// 24-bit RGB rows, top row first, width * 3 bytes per row without padding.
struct BitmapImage {
    int32_t width = 0;
    int32_t height = 0;
    std::unique_ptr<unsigned char[]> pixels;
};

// The platform's decoder: fills *image, or says why not in *why.
using BitmapReader = bool (*)(const char* name, BitmapImage* image, std::string* why);

// Runs `read` on the file. On success sets width, height, bitsPerPixel (always 24) and
// pixels (width * height * 3 bytes from new[]; the caller frees them with delete[]). On
// failure reports "Error cargando bitmap <name>", traces why, returns false and leaves
// every output as it was.
bool HandOutBitmap(BitmapReader read, const char* name, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                   unsigned char** pixels);

}  // namespace KL
