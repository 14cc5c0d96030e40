// The CPU mipmap chain: the 2x2 box filter that halves one level, the number of levels
// down to 1x1, and a builder that keeps its scratch memory from one chain to the next, so
// that a loader of many textures allocates (and faults in) that memory once.
//
// The filter's bytes are fixed: output pixel (i, j) of a W x H level halved to w x h
// averages the source samples (x, y), (x1, y), (x, y1), (x1, y1) with x = i * (W / w),
// y = j * (H / h), and x1, y1 one further unless that leaves the image; the sum is divided
// by 4 with truncation. Rows whose columns step by exactly 2 (every width but 1 and 3) run
// through SSE2 for 3 and 4 bytes per pixel where the compiler targets it; everything else,
// and every row's last few pixels, through the plain loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class KEMipmapBuilder {
public:
    // Receives each level of a mipmap chain after level 0, smallest last. data holds
    // width * height pixels, rows top to bottom, and stays valid until Build returns.
    using LevelSink = void (*)(int32_t level, int32_t width, int32_t height, const unsigned char* data,
                               void* user);

    KEMipmapBuilder();
    ~KEMipmapBuilder();
    KEMipmapBuilder(const KEMipmapBuilder&) = delete;
    KEMipmapBuilder& operator=(const KEMipmapBuilder&) = delete;

    // Builds the chain of W x H pixels (n bytes per pixel) down to 1x1 and hands every
    // level to sink (null hands over nothing). Every level lives in one block the builder
    // keeps and grows when a chain needs more. False, with nothing handed over, for null
    // pixels, n < 1, or when the block cannot be allocated; the builder stays usable.
    // A W or H below 1 has no levels: true, nothing handed over.
    bool Build(const unsigned char* pixels, int32_t W, int32_t H, int32_t n, LevelSink sink, void* user);

    // Bytes of scratch memory held now.
    size_t GetCapacity() const { return m_capacity; }

    // One step of the chain: halves W x H (n bytes per pixel; a side of 1 stays 1) into
    // out, which must hold w * h * n bytes; 0 x 0 for null pointers or sizes below 1.
    static void DownsampleLevel(const unsigned char* source, int32_t W, int32_t H, int32_t n, unsigned char* out,
                                int32_t* w, int32_t* h);
    // The number of levels after level 0 (256x64 gives 8; 1x1 gives 0).
    static int32_t LevelCount(int32_t width, int32_t height);

private:
    std::unique_ptr<unsigned char[]> m_scratch;
    size_t m_capacity = 0;
};
