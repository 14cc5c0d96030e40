// PNG decoding with libpng into 8-bit RGB or RGBA rows, top row first.
//
// libpng reports errors by jumping back to a recovery point set with setjmp. Everything
// the decoder allocates is kept in a struct owned by the caller, so that after a jump the
// caller can free it all, and the function that sets the recovery point holds no C++
// object that a jump would skip destroying.
#include "KETexture.h"

#include "KLFile.h"
#include "KLLog.h"
#include "KLPath.h"

#include <png.h>

#include <cstdio>
#include <new>
#include <string>

namespace {

// Larger sides are taken for a corrupt or hostile header (see KETexture.cpp).
constexpr png_uint_32 kMaxSide = 16384;

struct PngRead {
    const char* name = nullptr;
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    unsigned char* pixels = nullptr;  // new[]; handed to the image on success
    png_bytep* rows = nullptr;        // new[]
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    GLenum format = 0;
};

// libpng's own messages go to the trace, not to standard error, naming the file.
void PNGCBAPI OnPngError(png_structp png, png_const_charp message) {
    const PngRead* read = static_cast<const PngRead*>(png_get_error_ptr(png));
    LogMessage("PNG '%s': %s", read->name, message);
    png_longjmp(png, 1);
}

void PNGCBAPI OnPngWarning(png_structp png, png_const_charp message) {
    const PngRead* read = static_cast<const PngRead*>(png_get_error_ptr(png));
    LogMessage("PNG '%s': warning: %s", read->name, message);
}

// Reads the image of an opened file whose signature has been checked. Returns false on any
// libpng error (after the jump) or on an image the texture cannot take; what it allocated
// is left in *read for the caller to free either way.
bool Decode(PngRead* read) {
    if (setjmp(png_jmpbuf(read->png))) return false;

    png_structp png = read->png;
    png_infop info = read->info;
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_init_io(png, read->file);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);

    // Every layout ends as 8-bit RGB, or RGBA where the file has any transparency.
    if (bitDepth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
    if (bitDepth < 8) png_set_expand(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    double fileGamma = 0.0;
    if (png_get_gAMA(png, info, &fileGamma)) png_set_gamma(png, 2.2, fileGamma);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const int channels = png_get_channels(png, info);
    if (channels == 3) {
        read->format = GL_RGB;
    } else if (channels == 4) {
        read->format = GL_RGBA;
    } else {
        LogMessage("PNG '%s': %d channels after conversion", read->name, channels);
        return false;
    }
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide || bitDepth != 8 ||
        rowBytes != static_cast<size_t>(width) * static_cast<size_t>(channels)) {
        LogMessage("PNG '%s': unexpected layout %ux%u, %d bits, %zu bytes per row", read->name,
                   static_cast<unsigned>(width), static_cast<unsigned>(height), bitDepth, rowBytes);
        return false;
    }

    // The rows are decoded straight into the texture's pixels: they are packed already.
    read->pixels = new (std::nothrow) unsigned char[rowBytes * height];
    read->rows = new (std::nothrow) png_bytep[height];
    if (!read->pixels || !read->rows) {
        LogMessage("PNG '%s': out of memory for %ux%u", read->name, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
        return false;
    }
    for (png_uint_32 y = 0; y < height; ++y) read->rows[y] = read->pixels + rowBytes * y;
    png_read_image(png, read->rows);
    png_read_end(png, nullptr);
    read->width = width;
    read->height = height;
    return true;
}

}  // namespace

std::shared_ptr<const KEDataCache::Image> KETexture::DecodePNG(const char* name) {
    if (!name || !*name) return nullptr;
    PngRead read;
    read.name = name;
    const std::string path = KL::ResolveDataPath(name);
    read.file = KL::OpenRegularFile(path.c_str());
    if (!read.file) {
        Report(kReportOpen, (std::string("Error abriendo '") + name + "'").c_str());
        return nullptr;
    }

    bool decoded = false;
    png_byte signature[8] = {};
    if (std::fread(signature, 1, sizeof signature, read.file) == sizeof signature &&
        png_sig_cmp(signature, 0, sizeof signature) == 0) {
        read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, OnPngError, OnPngWarning);
        if (read.png) read.info = png_create_info_struct(read.png);
        if (read.info) decoded = Decode(&read);
        if (read.png) png_destroy_read_struct(&read.png, read.info ? &read.info : nullptr, nullptr);
    }
    std::fclose(read.file);
    delete[] read.rows;
    if (!decoded) {
        delete[] read.pixels;
        return nullptr;
    }
    auto image = std::make_shared<KEDataCache::Image>();
    image->pixels.reset(read.pixels);
    image->width = static_cast<int32_t>(read.width);
    image->height = static_cast<int32_t>(read.height);
    image->bitsPerPixel = read.format == GL_RGBA ? 32 : 24;
    return image;
}

std::string KETexture::PngLibraryVersion() { return std::string("libpng ") + png_get_libpng_ver(nullptr); }
