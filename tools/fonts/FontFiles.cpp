// Writing the font's description and its glyph sheet.
#include "FontFiles.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace fonts {
namespace {

void PutInt(std::vector<uint8_t>* out, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

bool WriteKef(const std::string& path, const std::string& faceName, const std::string& textureName, int32_t cellSize,
              const int32_t (&widths)[256], std::string* error) {
    for (const std::string* name : {&faceName, &textureName}) {
        if (name->size() > 255 || name->find('\0') != std::string::npos) {
            *error = "the name '" + *name + "' does not fit a font description";
            return false;
        }
    }
    std::vector<uint8_t> bytes(faceName.begin(), faceName.end());
    bytes.push_back(0);
    bytes.insert(bytes.end(), textureName.begin(), textureName.end());
    bytes.push_back(0);
    PutInt(&bytes, cellSize);
    for (int32_t width : widths) PutInt(&bytes, width);

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot create " + path;
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        *error = "cannot finish writing " + path;
        return false;
    }
    return true;
}

bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  std::string* error) {
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        *error = "the image for " + path + " does not have its size";
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(&rgba[static_cast<size_t>(y) * width * 4]);
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot create " + path;
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        *error = "libpng could not start writing " + path;
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        *error = "libpng failed while writing " + path;
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) {
        *error = "cannot finish writing " + path;
        return false;
    }
    return true;
}

}  // namespace fonts
