// libFuzzer harness for the PNG loader: any bytes, read as a texture's .png file, must be
// refused or decoded without a crash, a hang or a read outside the data. There is no GL
// context: a decoded image finds no texture name and is released, so the decoder and the
// release after it are what runs.
#include "KETexture.h"
#include "FuzzInput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The decoder is chosen by the name's extension, so the input goes into a real file.
std::string ScratchPath() {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/png_fuzz_" + std::to_string(getpid()) + ".png";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Quiet();
    static const std::string path = ScratchPath();
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return 0;
    const bool written = write(fd, data, size) == static_cast<ssize_t>(size);
    close(fd);
    if (!written) return 0;

    KETexture* texture = KETexture::NewTexture();
    texture->SetFile(path.c_str(), GL_RGB);
    texture->LoadTexture();
    if (texture->IsLoaded() || texture->GetPixels()) __builtin_trap();
    KETexture::FreeTexture(texture);
    return 0;
}
