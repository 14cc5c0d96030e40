#include "KLBitmapFile.h"

#include "KLLog.h"

namespace KL {

bool HandOutBitmap(BitmapReader read, const char* name, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                   unsigned char** pixels) {
    const char* shown = name ? name : "(null)";
    BitmapImage image;
    std::string why;
    bool loaded = false;
    if (!name || !width || !height || !bitsPerPixel || !pixels) {
        why = "missing name or output";
    } else {
        loaded = read(name, &image, &why);
    }
    if (!loaded) {
        LogError("Error cargando bitmap %s", shown);
        LogMessage("Bitmap %s: %s", shown, why.c_str());
        return false;
    }
    *width = image.width;
    *height = image.height;
    *bitsPerPixel = 24;
    *pixels = image.pixels.release();
    return true;
}

}  // namespace KL
