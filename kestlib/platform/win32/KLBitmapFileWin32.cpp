#include "KLBitmapFileWin32.h"

#include "KLBitmapFile.h"

#include "KLFile.h"
#include "KLLog.h"
#include "KLPath.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "KLWindowsApi.h"

namespace _KL {

namespace {

// Larger sides are taken for corrupt files; it also keeps every size below in range.
constexpr int32_t kMaxSide = 16384;

using Image = KL::BitmapImage;

struct BitmapDeleter {
    void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using BitmapPtr = std::unique_ptr<std::remove_pointer<HBITMAP>::type, BitmapDeleter>;

// The rows of `bitmap` as 24-bit BGR, top row first, each padded to four bytes as DIB
// rows are. False when the system cannot convert them.
bool FetchRows(HBITMAP bitmap, int32_t width, int32_t height, size_t stride, unsigned char* rows) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(stride * static_cast<size_t>(height));
    info.bmiHeader.biXPelsPerMeter = 1;
    info.bmiHeader.biYPelsPerMeter = 1;
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    if (!dc) return false;
    const int copied = GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), rows, &info, DIB_RGB_COLORS);
    ReleaseDC(desktop, dc);
    return copied == height;
}

uint32_t U32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

int32_t S32(const unsigned char* p) {
    const uint32_t u = U32(p);
    int32_t s;
    std::memcpy(&s, &u, sizeof(s));
    return s;
}

// The whole file, or false when it cannot be read or is implausibly large.
bool ReadWhole(FILE* file, std::vector<unsigned char>* bytes) {
    constexpr long kMaxFile = 1L << 30;
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    const long size = std::ftell(file);
    if (size < 0 || size > kMaxFile || std::fseek(file, 0, SEEK_SET) != 0) return false;
    bytes->resize(static_cast<size_t>(size));
    return std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
}

// Whether the file's rows are stored uncompressed (BI_RGB or BI_BITFIELDS), either way up.
bool StoredUncompressed(const std::vector<unsigned char>& file) {
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M' || U32(file.data() + 14) < 40) return false;
    const uint32_t compression = U32(file.data() + 30);
    return compression == BI_RGB || compression == BI_BITFIELDS;
}

// An uncompressed bitmap made into a DIB from the file's own bytes, after checking that the
// headers, palette and rows lie inside the file. The system's file loader would make up
// the rows of a cut file, and gives top-down files back black under Wine. Null when the
// file is no such bitmap or does not hold it whole.
HBITMAP UncompressedBitmap(const std::vector<unsigned char>& file) {
    constexpr size_t kFileHeader = 14;
    if (file.size() < kFileHeader + 40 || file[0] != 'B' || file[1] != 'M') return nullptr;
    const unsigned char* info = file.data() + kFileHeader;
    const uint32_t offset = U32(file.data() + 10);
    const uint32_t headerSize = U32(info);
    const int32_t width = S32(info + 4);
    const int32_t height = S32(info + 8);
    const uint32_t bits = info[14] | (info[15] << 8);
    const uint32_t compression = U32(info + 16);
    const uint32_t coloursUsed = U32(info + 32);
    if (headerSize < 40 || height == 0 || height < -kMaxSide || height > kMaxSide || width <= 0 || width > kMaxSide) {
        return nullptr;
    }
    if (compression != BI_RGB && compression != BI_BITFIELDS) return nullptr;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
    const uint64_t colours = bits <= 8 ? (coloursUsed != 0 ? coloursUsed : (1u << bits)) : 0;
    const uint64_t masks = (compression == BI_BITFIELDS && headerSize == 40) ? 12 : 0;
    const uint64_t infoBytes = headerSize + masks + colours * 4;
    const uint64_t stride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
    const uint64_t rowBytes = stride * static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);
    if (colours > 256 || kFileHeader + infoBytes > offset || offset > file.size() ||
        rowBytes > file.size() - offset) {
        return nullptr;
    }
    // The headers in aligned storage, as the system reads them.
    std::vector<uint32_t> header((infoBytes + 3) / 4);
    std::memcpy(header.data(), info, static_cast<size_t>(infoBytes));
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(header.data()), DIB_RGB_COLORS,
                                      &pixels, nullptr, 0);
    if (!bitmap || !pixels) {
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    std::memcpy(pixels, file.data() + offset, static_cast<size_t>(rowBytes));
    return bitmap;
}

bool ReadBitmap(const char* name, Image* image, std::string* why) {
    const std::string path = KL::ResolveDataPath(name);
    // Only regular files: a device or pipe name must not reach the system's loader.
    FILE* file = KL::OpenRegularFile(path.c_str());
    if (!file) {
        *why = "no such file, or not a regular file";
        return false;
    }
    std::vector<unsigned char> bytes;
    const bool read = ReadWhole(file, &bytes);
    std::fclose(file);
    if (!read) {
        *why = "the file cannot be read";
        return false;
    }
    // Compressed (run-length) rows are left to the system's loader.
    const bool uncompressed = StoredUncompressed(bytes);
    BitmapPtr bitmap(uncompressed ? UncompressedBitmap(bytes)
                                  : static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                                    LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!bitmap) {
        *why = uncompressed ? "its headers, palette or rows do not fit the file" : "not a bitmap the system can read";
        return false;
    }
    BITMAP header = {};
    if (GetObjectA(bitmap.get(), sizeof(header), &header) != sizeof(header)) {
        *why = "no bitmap header";
        return false;
    }
    const int32_t width = header.bmWidth;
    const int32_t height = std::abs(header.bmHeight);
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        *why = "size out of range";
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const size_t stride = (rowBytes + 3) & ~static_cast<size_t>(3);
    std::vector<unsigned char> rows;
    std::unique_ptr<unsigned char[]> pixels;
    try {
        rows.resize(stride * static_cast<size_t>(height));
        pixels.reset(new unsigned char[rowBytes * static_cast<size_t>(height)]);
    } catch (const std::bad_alloc&) {
        *why = "out of memory";
        return false;
    }
    if (!FetchRows(bitmap.get(), width, height, stride, rows.data())) {
        *why = "the system could not convert the rows";
        return false;
    }
    // Drop each row's padding and turn BGR into RGB.
    for (int32_t y = 0; y < height; ++y) {
        const unsigned char* source = rows.data() + stride * static_cast<size_t>(y);
        unsigned char* target = pixels.get() + rowBytes * static_cast<size_t>(y);
        for (int32_t x = 0; x < width; ++x) {
            target[3 * x + 0] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x + 0];
        }
    }
    image->width = width;
    image->height = height;
    image->pixels = std::move(pixels);
    return true;
}

}  // namespace

bool LoadBitmapRGB(const char* name, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                   unsigned char** pixels) {
    return KL::HandOutBitmap(&ReadBitmap, name, width, height, bitsPerPixel, pixels);
}

}  // namespace _KL
