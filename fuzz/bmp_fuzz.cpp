// libFuzzer harness for the BMP loader: any bytes, read as a .bmp file, must be refused or
// decoded without a crash, a hang, a read outside the data or an image larger than the
// file can describe.
#include "FuzzInput.h"
#include "platform/sdl/KLBitmapFileSDL.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Quiet();
    const char* path = fuzz::AsFile(data, size);
    if (!path) return 0;

    int width = -1;
    int height = -1;
    int bits = -1;
    unsigned char* pixels = nullptr;
    if (!_KL::LoadBitmapRGB(path, &width, &height, &bits, &pixels)) {
        if (width != -1 || height != -1 || bits != -1 || pixels) __builtin_trap();
        return 0;
    }
    if (width < 1 || height < 1 || bits != 24 || !pixels) __builtin_trap();
    // No image may outgrow its data by more than one run-length pair per 255 pixels.
    const uint64_t area = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (area > static_cast<uint64_t>(size) / 2 * 255) __builtin_trap();
    // Every byte of the image is there (ASan checks the last one).
    volatile unsigned char last = pixels[area * 3 - 1];
    (void)last;
    delete[] pixels;
    return 0;
}
