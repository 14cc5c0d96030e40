#include "PngWriter.h"

#include "OutputFile.h"

#include <png.h>

#include <csetjmp>
#include <vector>

namespace {

// Level 1 with the Sub filter: about as small as the default level on rendered frames at
// a fraction of the time.
constexpr int kZlibLevel = 1;

struct WriteState {
    OutputFile* file;
    std::string* error;
    bool failed;
    std::string message;
};

void WriteData(png_structp png, png_bytep data, png_size_t length) {
    WriteState* state = static_cast<WriteState*>(png_get_io_ptr(png));
    if (!state->failed && !state->file->Write(data, length, state->error)) state->failed = true;
}

void FlushData(png_structp) {}

void OnError(png_structp png, png_const_charp message) {
    WriteState* state = static_cast<WriteState*>(png_get_error_ptr(png));
    state->message = message ? message : "libpng error";
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

}  // namespace

bool WritePng(const std::string& path, const uint8_t* rgbBottomUp, int32_t width, int32_t height,
              std::string* error) {
    if (!rgbBottomUp || width <= 0 || height <= 0) {
        if (error) *error = "cannot write " + path + ": no picture";
        return false;
    }
    OutputFile file;
    if (!file.Open(path, error)) return false;
    WriteState state{&file, error, false, std::string()};

    std::vector<png_bytep> rows(static_cast<size_t>(height));
    const size_t stride = static_cast<size_t>(width) * 3;
    for (int32_t y = 0; y < height; ++y) {
        rows[static_cast<size_t>(y)] =
            const_cast<png_bytep>(rgbBottomUp + stride * static_cast<size_t>(height - 1 - y));
    }

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, &OnError, &OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        if (error) *error = "cannot write " + path + ": out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (!state.failed && error) *error = "cannot write " + path + ": " + state.message;
        return false;
    }
    png_set_write_fn(png, &state, &WriteData, &FlushData);
    png_set_compression_level(png, kZlibLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return !state.failed && file.Commit(error);
}
