// libFuzzer harness for the BMP loader: any bytes, read as a .bmp file, must be refused or
// decoded without a crash, a hang, a read outside the data or an image larger than the
// file can describe.
#include "KLLog.h"
#include "platform/sdl/KLBitmapFileSDL.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace {

// Reports of refused files are expected by the thousand: keep them off the terminal.
class Quiet : public KL::LogOutput {
public:
    void Write(const char*) override {}
    void ShowErrorBox(const char*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Quiet quiet;
    static const int fd = [] {
        KL::SetLogOutput(&quiet);
        KL::SetErrorBoxesEnabled(false);
        return memfd_create("bmp", 0);
    }();
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;

    int width = -1;
    int height = -1;
    int bits = -1;
    unsigned char* pixels = nullptr;
    if (!_KL::LoadBitmapRGB(path.c_str(), &width, &height, &bits, &pixels)) {
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
