// A PNG read back for a test: 8-bit RGB rows, top row first (empty when unreadable).
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

inline Picture ReadPng(const std::string& path) {
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) return Picture();
    picture.width = image.width;
    picture.height = image.height;
    return picture;
}

