// The CPU mipmap chain: the 2x2 box filter (a plain loop for every case, SSE2 for the
// rows of 3- and 4-byte pixels whose columns step by 2) and the builder's one block.
#include "KEMipmap.h"

#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__)

// floor((a + b + c + d) / 4) in every byte, exactly, without widening to 16 bits.
// _mm_avg_epu8 rounds up, and the average of the two rounded-up pair averages is the
// quarter rounded up after adding the pairs' odd bits: one above the truncated quarter,
// except where both pair sums are even and their halves add up to an even number, which
// is where the sum is a multiple of 4 and nothing was rounded.
inline __m128i Quarter(__m128i a, __m128i b, __m128i c, __m128i d) {
    const __m128i ab = _mm_avg_epu8(a, b);
    const __m128i cd = _mm_avg_epu8(c, d);
    // Bit 0: a + b is odd, or c + d is, or ab + cd is.
    const __m128i over =
        _mm_or_si128(_mm_or_si128(_mm_xor_si128(a, b), _mm_xor_si128(c, d)), _mm_xor_si128(ab, cd));
    return _mm_sub_epi8(_mm_avg_epu8(ab, cd), _mm_and_si128(over, _mm_set1_epi8(1)));
}

inline __m128i Load(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Dwords 0 and 3 of a and of b, in the order a0, a3, b0, b3.
inline __m128i Dwords03(__m128i a, __m128i b) {
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(3, 0, 3, 0)));
}

// Output pixels [0, result) of a row whose source columns are 2i and 2i + 1: four at a
// time from eight source pixels of each row.
int32_t HalveRowRgba(const unsigned char* row0, const unsigned char* row1, unsigned char* out, int32_t w) {
    int32_t i = 0;
    for (; i + 4 <= w; i += 4) {
        const size_t at = static_cast<size_t>(i) * 8;
        const __m128 a0 = _mm_castsi128_ps(Load(row0 + at));
        const __m128 b0 = _mm_castsi128_ps(Load(row0 + at + 16));
        const __m128 a1 = _mm_castsi128_ps(Load(row1 + at));
        const __m128 b1 = _mm_castsi128_ps(Load(row1 + at + 16));
        // Even and odd source pixels side by side.
        const __m128i even0 = _mm_castps_si128(_mm_shuffle_ps(a0, b0, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i odd0 = _mm_castps_si128(_mm_shuffle_ps(a0, b0, _MM_SHUFFLE(3, 1, 3, 1)));
        const __m128i even1 = _mm_castps_si128(_mm_shuffle_ps(a1, b1, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i odd1 = _mm_castps_si128(_mm_shuffle_ps(a1, b1, _MM_SHUFFLE(3, 1, 3, 1)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + static_cast<size_t>(i) * 4),
                         Quarter(even0, odd0, even1, odd1));
    }
    return i;
}

// Four output pixels of 3 bytes from eight source pixels of each row, starting at source
// byte at, as dwords in the order 0, 2, 1, 3 (the fourth byte of each is not part of
// the pixel). Unaligned loads at byte offsets 0, 3, 6 and 9 put source pixels 0, 1, 2, 3
// in their first dword and 4, 5, 6, 7 in their last, so each pixel is worked on as a
// dword whose fourth byte is its neighbour's. The load at 9 reaches one byte past the
// eight pixels; at the end of a row (lastInRow) it is taken one byte earlier and shifted.
template <bool lastInRow>
inline __m128i QuarterRgb(const unsigned char* row0, const unsigned char* row1, size_t at) {
    const auto last = [](const unsigned char* p) { return lastInRow ? _mm_srli_si128(Load(p - 1), 1) : Load(p); };
    // Source pixels 0, 4, 2, 6 and 1, 5, 3, 7 of each row.
    const __m128i even0 = Dwords03(Load(row0 + at), Load(row0 + at + 6));
    const __m128i odd0 = Dwords03(Load(row0 + at + 3), last(row0 + at + 9));
    const __m128i even1 = Dwords03(Load(row1 + at), Load(row1 + at + 6));
    const __m128i odd1 = Dwords03(Load(row1 + at + 3), last(row1 + at + 9));
    return Quarter(even0, odd0, even1, odd1);
}

// Stores the four pixels of QuarterRgb at o as whole dwords, in order, each one
// overwriting the spare byte of the one before; the last writes one byte past the twelve
// unless it is the row's last (lastInRow).
template <bool lastInRow>
inline void StoreRgb(unsigned char* o, __m128i q) {
    const auto store = [](unsigned char* to, __m128i v, size_t bytes) {
        const int32_t dword = _mm_cvtsi128_si32(v);
        std::memcpy(to, &dword, bytes);
    };
    store(o, q, 4);
    store(o + 3, _mm_unpackhi_epi64(q, q), 4);
    store(o + 6, _mm_srli_si128(q, 4), 4);
    store(o + 9, _mm_srli_si128(q, 12), lastInRow ? 3 : 4);
}

// The same for 3-byte pixels, four output pixels at a time. Each block but the row's last
// writes a byte past its twelve, which the next block overwrites.
int32_t HalveRowRgb(const unsigned char* row0, const unsigned char* row1, unsigned char* out, int32_t w) {
    int32_t i = 0;
    for (; i + 5 <= w; i += 4) {
        StoreRgb<false>(out + static_cast<size_t>(i) * 3, QuarterRgb<false>(row0, row1, static_cast<size_t>(i) * 6));
    }
    if (i + 4 == w) {
        StoreRgb<true>(out + static_cast<size_t>(i) * 3, QuarterRgb<true>(row0, row1, static_cast<size_t>(i) * 6));
        i += 4;
    }
    return i;
}

#endif  // __SSE2__

// How many output pixels of a row whose source columns are 2i and 2i + 1 the vector code
// has made; the plain loop does the rest.
template <int N>
int32_t HalveRowFast(const unsigned char* row0, const unsigned char* row1, unsigned char* out, int32_t w) {
#if defined(__SSE2__)
    if constexpr (N == 4) return HalveRowRgba(row0, row1, out, w);
    if constexpr (N == 3) return HalveRowRgb(row0, row1, out, w);
#else
    (void)row0;
    (void)row1;
    (void)out;
    (void)w;
#endif
    return 0;
}

template <int N>
void Downsample(const unsigned char* source, int32_t W, int32_t H, unsigned char* out, int32_t w, int32_t h) {
    const int32_t sx = W / w;
    const int32_t sy = H / h;
    const size_t stride = static_cast<size_t>(W) * N;
    for (int32_t j = 0; j < h; ++j) {
        const int32_t y = j * sy;
        const int32_t y1 = y + 1 < H ? y + 1 : y;
        const unsigned char* row0 = source + static_cast<size_t>(y) * stride;
        const unsigned char* row1 = source + static_cast<size_t>(y1) * stride;
        // A step of 2 never reaches the clamped last column: x1 = 2i + 1 <= 2w - 1 < W.
        int32_t i = sx == 2 ? HalveRowFast<N>(row0, row1, out, w) : 0;
        out += static_cast<size_t>(i) * N;
        for (; i < w; ++i) {
            const int32_t x = i * sx;
            const int32_t x1 = x + 1 < W ? x + 1 : x;
            const unsigned char* a = row0 + static_cast<size_t>(x) * N;
            const unsigned char* b = row0 + static_cast<size_t>(x1) * N;
            const unsigned char* c = row1 + static_cast<size_t>(x) * N;
            const unsigned char* d = row1 + static_cast<size_t>(x1) * N;
            for (int k = 0; k < N; ++k) {
                *out++ = static_cast<unsigned char>((a[k] + b[k] + c[k] + d[k]) / 4);
            }
        }
    }
}

void DownsampleAny(const unsigned char* source, int32_t W, int32_t H, int32_t n, unsigned char* out, int32_t w,
                   int32_t h) {
    const int32_t sx = W / w;
    const int32_t sy = H / h;
    const size_t stride = static_cast<size_t>(W) * static_cast<size_t>(n);
    for (int32_t j = 0; j < h; ++j) {
        const int32_t y = j * sy;
        const int32_t y1 = y + 1 < H ? y + 1 : y;
        for (int32_t i = 0; i < w; ++i) {
            const int32_t x = i * sx;
            const int32_t x1 = x + 1 < W ? x + 1 : x;
            for (int32_t k = 0; k < n; ++k) {
                const size_t cx = static_cast<size_t>(x) * static_cast<size_t>(n) + static_cast<size_t>(k);
                const size_t cx1 = static_cast<size_t>(x1) * static_cast<size_t>(n) + static_cast<size_t>(k);
                const size_t r0 = static_cast<size_t>(y) * stride;
                const size_t r1 = static_cast<size_t>(y1) * stride;
                const int sum = source[r0 + cx] + source[r0 + cx1] + source[r1 + cx] + source[r1 + cx1];
                *out++ = static_cast<unsigned char>(sum / 4);
            }
        }
    }
}

int32_t Half(int32_t side) { return side > 1 ? side / 2 : 1; }

// Every level starts on a 16-byte boundary of the block.
constexpr size_t kLevelAlign = 16;

// The bytes of a w x h level of n-byte pixels rounded up to kLevelAlign, or 0 when that
// does not fit in a size_t.
size_t LevelBytes(int32_t w, int32_t h, int32_t n) {
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    const size_t limit = (SIZE_MAX - kLevelAlign) / static_cast<size_t>(n);
    if (pixels > limit) return 0;
    const size_t bytes = pixels * static_cast<size_t>(n);
    return (bytes + kLevelAlign - 1) & ~(kLevelAlign - 1);
}

}  // namespace

KEMipmapBuilder::KEMipmapBuilder() = default;
KEMipmapBuilder::~KEMipmapBuilder() = default;

void KEMipmapBuilder::DownsampleLevel(const unsigned char* source, int32_t W, int32_t H, int32_t n,
                                      unsigned char* out, int32_t* w, int32_t* h) {
    if (!source || !out || W < 1 || H < 1 || n < 1) {
        *w = 0;
        *h = 0;
        return;
    }
    const int32_t nw = Half(W);
    const int32_t nh = Half(H);
    switch (n) {
    case 3:
        Downsample<3>(source, W, H, out, nw, nh);
        break;
    case 4:
        Downsample<4>(source, W, H, out, nw, nh);
        break;
    default:
        DownsampleAny(source, W, H, n, out, nw, nh);
        break;
    }
    *w = nw;
    *h = nh;
}

int32_t KEMipmapBuilder::LevelCount(int32_t width, int32_t height) {
    if (width < 1 || height < 1) return 0;
    int32_t count = 0;
    while (width > 1 || height > 1) {
        width = Half(width);
        height = Half(height);
        ++count;
    }
    return count;
}

bool KEMipmapBuilder::Build(const unsigned char* pixels, int32_t W, int32_t H, int32_t n, LevelSink sink,
                            void* user) {
    if (!pixels || n < 1) return false;
    const int32_t levels = LevelCount(W, H);
    if (levels == 0) return true;

    // The levels one after another, about 4/3 of level 1 in all.
    size_t total = 0;
    for (int32_t width = Half(W), height = Half(H), level = 1; level <= levels;
         ++level, width = Half(width), height = Half(height)) {
        const size_t bytes = LevelBytes(width, height, n);
        if (bytes == 0 || bytes > SIZE_MAX - total) return false;
        total += bytes;
    }
    if (total > m_capacity) {
        // The old block goes first, so that the two never take memory together.
        m_scratch.reset();
        m_capacity = 0;
        m_scratch.reset(new (std::nothrow) unsigned char[total]);
        if (!m_scratch) return false;
        m_capacity = total;
    }

    const unsigned char* source = pixels;
    unsigned char* out = m_scratch.get();
    int32_t width = W;
    int32_t height = H;
    for (int32_t level = 1; level <= levels; ++level) {
        int32_t w = 0;
        int32_t h = 0;
        DownsampleLevel(source, width, height, n, out, &w, &h);
        if (sink) sink(level, w, h, out, user);
        source = out;
        out += LevelBytes(w, h, n);
        width = w;
        height = h;
    }
    return true;
}
