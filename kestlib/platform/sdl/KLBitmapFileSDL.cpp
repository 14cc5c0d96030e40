// SDL's BMP loader does the decoding (every depth, palettes, bit fields, RLE); the code
// here vets the file first and turns the result into tightly packed RGB rows.
//
// The vetting is there because SDL 2.26 is not strict enough on its own: it decodes an
// unknown compression as raw pixels, takes a pixel data offset pointing back into the
// headers at its word, and once an image's rows add up to more than 2 GiB it hands back a
// surface for a file that holds almost none of them. Each of those gives a picture of
// garbage instead of an error, so the file's headers are checked against its size before
// SDL sees it.
#include "KLBitmapFileSDL.h"

#include "KLBitmapFile.h"

#include "KLFile.h"
#include "KLLog.h"
#include "KLPath.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

namespace _KL {

namespace {

// Larger sides than this are taken for corrupt headers; it also keeps every size below in
// range of an int.
constexpr int64_t kMaxSide = 16384;

constexpr int64_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // OS/2 1.x: 16-bit sizes, no compression field
constexpr uint32_t kInfoHeaderSize = 40;  // Windows BITMAPINFOHEADER and its longer kin

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

uint16_t ReadU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int32_t ReadS32(const unsigned char* p) {
    const uint32_t u = ReadU32(p);
    int32_t s;
    std::memcpy(&s, &u, sizeof s);
    return s;
}

struct RWCloser {
    void operator()(SDL_RWops* rw) const { SDL_RWclose(rw); }
};
struct SurfaceFreer {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using FilePtr = std::unique_ptr<SDL_RWops, RWCloser>;
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceFreer>;

// Reads as much of `size` bytes as the file has; returns the count read.
size_t ReadUpTo(SDL_RWops* file, unsigned char* buffer, size_t size) {
    size_t got = 0;
    while (got < size) {
        const size_t n = SDL_RWread(file, buffer + got, 1, size - got);
        if (n == 0) break;
        got += n;
    }
    return got;
}

bool IsSupportedLayout(uint32_t compression, unsigned bpp) {
    switch (compression) {
    case kRgb:
        return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    case kRle8:
        return bpp == 8;
    case kRle4:
        return bpp == 4;
    case kBitFields:
    case kAlphaBitFields:
        return bpp == 16 || bpp == 32;
    default:
        return false;
    }
}

// Checks the headers at the file's current position against the file's size. Returns
// null when SDL can decode the file whole, otherwise why not; `width` and `height` get the
// declared size (height as a row count).
const char* CheckHeaders(SDL_RWops* file, int64_t fileSize, int* width, int* height) {
    unsigned char head[kFileHeaderSize + kInfoHeaderSize] = {};
    const int64_t got = static_cast<int64_t>(ReadUpTo(file, head, sizeof head));
    if (got < kFileHeaderSize + 4 || head[0] != 'B' || head[1] != 'M') {
        return "not a BMP file";
    }
    const int64_t dataOffset = ReadU32(head + 10);
    const uint32_t infoSize = ReadU32(head + 14);

    int64_t w = 0;
    int64_t h = 0;
    unsigned bpp = 0;
    uint32_t compression = kRgb;
    int64_t colours = 0;     // palette entries the file declares
    int64_t entrySize = 4;   // bytes per palette entry
    if (infoSize == kCoreHeaderSize) {
        if (got < kFileHeaderSize + kCoreHeaderSize) return "truncated header";
        w = ReadU16(head + 18);
        h = ReadU16(head + 20);
        bpp = ReadU16(head + 24);
        entrySize = 3;
    } else if (infoSize >= kInfoHeaderSize) {
        if (got < kFileHeaderSize + kInfoHeaderSize) return "truncated header";
        w = ReadS32(head + 18);
        h = ReadS32(head + 22);  // negative for rows stored top to bottom
        bpp = ReadU16(head + 28);
        compression = ReadU32(head + 30);
        colours = ReadU32(head + 46);
    } else {
        return "unknown header size";
    }

    const int64_t rows = h < 0 ? -h : h;
    if (w <= 0 || rows == 0) return "empty image";
    if (w > kMaxSide || rows > kMaxSide) return "image too large";
    if (!IsSupportedLayout(compression, bpp)) return "unsupported depth or compression";

    // What lies between the headers and the pixels: the colour masks of a plain info
    // header with bit fields, and the palette of an indexed image (all 2^bpp entries when
    // the count is 0). Pixels that start inside them, or a palette the file does not
    // hold, would give colours made of whatever bytes are there.
    int64_t tablesEnd = kFileHeaderSize + static_cast<int64_t>(infoSize);
    if (infoSize == kInfoHeaderSize && compression == kBitFields) tablesEnd += 12;
    if (infoSize == kInfoHeaderSize && compression == kAlphaBitFields) tablesEnd += 16;
    if (bpp <= 8) {
        const int64_t most = int64_t{1} << bpp;
        if (colours == 0) colours = most;
        if (colours > most) return "more palette entries than the depth can index";
        tablesEnd += colours * entrySize;
        if (tablesEnd > fileSize) return "palette truncated";
    }
    if (dataOffset < tablesEnd || dataOffset > fileSize) {
        return dataOffset < tablesEnd && bpp <= 8 ? "pixel data offset inside the palette"
                                                  : "pixel data offset outside the file";
    }
    if (compression == kRle8 || compression == kRle4) {
        // Run-length data has no fixed size; SDL fails on a stream that ends early. Each
        // two bytes of it describe at most 255 pixels (one run); the escapes that end a
        // line or the image leave the rest blank without describing it. A larger image
        // is a header that lies about its size.
        const int64_t dataBytes = fileSize - dataOffset;
        if (dataBytes == 0) return "no pixel data";
        if (w * rows > dataBytes / 2 * 255) return "run-length data too short for the image size";
    } else {
        // Rows are padded to four bytes. SDL reads the last row's padding too, so a file
        // without it is as short as any other.
        const int64_t stride = (w * bpp + 31) / 32 * 4;
        if (dataOffset + stride * rows > fileSize) return "pixel data truncated";
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(rows);
    return nullptr;
}

using Image = KL::BitmapImage;

// Loads and converts; on failure `why` says what went wrong, for the trace.
bool LoadImage(const char* name, Image* image, std::string* why) {
    const std::string path = KL::ResolveDataPath(name);
    // Only regular files: opening a pipe or device could block or never end.
    FILE* stream = KL::OpenRegularFile(path.c_str());
    if (!stream) {
        *why = "no such file, or not a regular file";
        return false;
    }
    FilePtr file(SDL_RWFromFP(stream, SDL_TRUE));
    if (!file) {
        std::fclose(stream);
        *why = SDL_GetError();
        return false;
    }
    const int64_t fileSize = SDL_RWsize(file.get());
    if (fileSize < 0) {
        *why = SDL_GetError();
        return false;
    }
    int width = 0;
    int height = 0;
    if (const char* bad = CheckHeaders(file.get(), fileSize, &width, &height)) {
        *why = bad;
        return false;
    }
    if (SDL_RWseek(file.get(), 0, RW_SEEK_SET) != 0) {
        *why = SDL_GetError();
        return false;
    }

    SurfacePtr loaded(SDL_LoadBMP_RW(file.get(), 0));
    if (!loaded) {
        *why = SDL_GetError();
        return false;
    }
    if (loaded->w != width || loaded->h != height) {
        *why = "decoded size differs from the header";
        return false;
    }
    SurfacePtr rgb(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_RGB24, 0));
    if (!rgb) {
        *why = SDL_GetError();
        return false;
    }
    loaded.reset();

    const size_t rowBytes = static_cast<size_t>(width) * 3;
    if (rgb->w != width || rgb->h != height || rgb->pitch < 0 || static_cast<size_t>(rgb->pitch) < rowBytes) {
        *why = "unexpected converted surface";
        return false;
    }
    const size_t total = rowBytes * static_cast<size_t>(height);
    std::unique_ptr<unsigned char[]> pixels(new (std::nothrow) unsigned char[total]);
    if (!pixels) {
        *why = "out of memory";
        return false;
    }
    if (SDL_MUSTLOCK(rgb.get()) && SDL_LockSurface(rgb.get()) != 0) {
        *why = SDL_GetError();
        return false;
    }
    const unsigned char* source = static_cast<const unsigned char*>(rgb->pixels);
    if (source) {
        // The surface rows are padded to its pitch; the output rows are not.
        for (int y = 0; y < height; ++y) {
            std::memcpy(pixels.get() + rowBytes * static_cast<size_t>(y),
                        source + static_cast<size_t>(rgb->pitch) * static_cast<size_t>(y), rowBytes);
        }
    }
    if (SDL_MUSTLOCK(rgb.get())) SDL_UnlockSurface(rgb.get());
    if (!source) {
        *why = "converted surface has no pixels";
        return false;
    }

    image->width = width;
    image->height = height;
    image->pixels = std::move(pixels);
    return true;
}

}  // namespace

bool LoadBitmapRGB(const char* name, int32_t* width, int32_t* height, int32_t* bitsPerPixel, unsigned char** pixels) {
    return KL::HandOutBitmap(&LoadImage, name, width, height, bitsPerPixel, pixels);
}

}  // namespace _KL
