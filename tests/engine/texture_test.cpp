#include "KETexture.h"

#include "GLTestContext.h"
#include "KEMipmap.h"
#include "PlatformTest.h"
#include "RecordingLog.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// ---------------------------------------------------------------------------------------
// Test files

// A PNG as stored: rows packed in the file's own layout (big-endian 16-bit samples,
// sub-byte pixels packed from the high bit), top row first.
struct PngImage {
    png_uint_32 width = 1;
    png_uint_32 height = 1;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    Bytes data;
    std::vector<png_color> palette;
    Bytes paletteAlpha;        // tRNS of a paletted image
    int transparentGrey = -1;  // tRNS of a grey image
    double gamma = 0.0;        // gAMA when positive
    bool interlaced = false;
};

void PNGCBAPI AppendBytes(png_structp png, png_bytep data, size_t length) {
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void PNGCBAPI NoFlush(png_structp) {}

bool EncodePng(const PngImage& image, Bytes* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    const size_t rowBytes = image.data.size() / image.height;
    std::vector<png_bytep> rows(image.height);
    for (png_uint_32 y = 0; y < image.height; ++y) {
        rows[y] = const_cast<png_bytep>(image.data.data()) + rowBytes * y;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!image.palette.empty()) {
        png_set_PLTE(png, info, image.palette.data(), static_cast<int>(image.palette.size()));
    }
    if (!image.paletteAlpha.empty()) {
        png_set_tRNS(png, info, image.paletteAlpha.data(), static_cast<int>(image.paletteAlpha.size()), nullptr);
    }
    if (image.transparentGrey >= 0) {
        png_color_16 grey = {};
        grey.gray = static_cast<png_uint_16>(image.transparentGrey);
        png_set_tRNS(png, info, nullptr, 0, &grey);
    }
    if (image.gamma > 0.0) png_set_gAMA(png, info, image.gamma);
    png_write_info(png, info);
    png_set_interlace_handling(png);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

Bytes Png(const PngImage& image) {
    Bytes out;
    EXPECT_TRUE(EncodePng(image, &out));
    return out;
}

PngImage Rgb8(png_uint_32 width, png_uint_32 height, Bytes data) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.data = std::move(data);
    return image;
}

// A 4x4 RGBA image whose 2x2 blocks average to hand-worked values: red is a checker of 0
// and 255, green 40x + 10y, blue 17xy, alpha 200 + x.
PngImage Checker4x4() {
    PngImage image;
    image.width = 4;
    image.height = 4;
    image.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            image.data.push_back((x + y) % 2 ? 255 : 0);
            image.data.push_back(static_cast<unsigned char>(40 * x + 10 * y));
            image.data.push_back(static_cast<unsigned char>(17 * x * y));
            image.data.push_back(static_cast<unsigned char>(200 + x));
        }
    }
    return image;
}

void Put16(Bytes* b, uint32_t v) {
    b->push_back(static_cast<unsigned char>(v & 0xFF));
    b->push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(Bytes* b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A 3x2 24-bit BMP, rows bottom up, blue first, each padded from 9 to 12 bytes. Seen top
// row first it is red, green, blue over (10,20,30), (40,50,60), (70,80,90).
Bytes Bmp3x2() {
    Bytes b = {'B', 'M'};
    Put32(&b, 54 + 24);
    Put32(&b, 0);
    Put32(&b, 54);
    Put32(&b, 40);
    Put32(&b, 3);
    Put32(&b, 2);
    Put16(&b, 1);
    Put16(&b, 24);
    for (uint32_t v : {0u, 24u, 2835u, 2835u, 0u, 0u}) Put32(&b, v);
    const Bytes bottom = {30, 20, 10, 60, 50, 40, 90, 80, 70, 0xEE, 0xEE, 0xEE};
    const Bytes top = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0xEE, 0xEE, 0xEE};
    b.insert(b.end(), bottom.begin(), bottom.end());
    b.insert(b.end(), top.begin(), top.end());
    return b;
}

// ---------------------------------------------------------------------------------------
// GL read-back

struct Size {
    GLint width, height;
    bool operator==(const Size& o) const { return width == o.width && height == o.height; }
};

Size LevelSize(GLint level) {
    Size size = {-1, -1};
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &size.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &size.height);
    return size;
}

Bytes ReadLevel(GLint level, GLenum format) {
    const Size size = LevelSize(level);
    const int n = format == GL_RGBA ? 4 : 3;
    Bytes out(static_cast<size_t>(size.width * size.height * n));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, out.data());
    return out;
}

Bytes PixelsOf(const KETexture& texture) {
    const int n = texture.GetPixelFormat() == GL_RGBA ? 4 : 3;
    const unsigned char* p = texture.GetPixels();
    if (!p) return Bytes();
    return Bytes(p, p + static_cast<size_t>(texture.GetWidth() * texture.GetHeight() * n));
}

struct TextureDeleter {
    void operator()(KETexture* t) const { KETexture::FreeTexture(t); }
};
using TexturePtr = std::unique_ptr<KETexture, TextureDeleter>;

TexturePtr Named(const std::string& name, GLenum internalFormat = GL_RGBA8) {
    TexturePtr texture(KETexture::NewTexture());
    EXPECT_TRUE(texture->SetFile(name.c_str(), internalFormat));
    return texture;
}

// ---------------------------------------------------------------------------------------
// The box filter as the plain loop that defines it

struct Level {
    int32_t width = 0, height = 0;
    Bytes pixels;
    bool operator==(const Level& o) const {
        return width == o.width && height == o.height && pixels == o.pixels;
    }
};

// Pixel (i, j) averages (x, y), (x1, y), (x, y1), (x1, y1) with x = i * (W / w),
// y = j * (H / h), and x1, y1 one further unless that leaves the image; truncated.
Level HalfOf(const Level& source, int32_t n) {
    const int32_t W = source.width;
    const int32_t H = source.height;
    Level half{W > 1 ? W / 2 : 1, H > 1 ? H / 2 : 1, {}};
    for (int32_t j = 0; j < half.height; ++j) {
        for (int32_t i = 0; i < half.width; ++i) {
            const int32_t x = i * (W / half.width);
            const int32_t y = j * (H / half.height);
            const int32_t x1 = std::min(x + 1, W - 1);
            const int32_t y1 = std::min(y + 1, H - 1);
            for (int32_t k = 0; k < n; ++k) {
                const auto at = [&](int32_t px, int32_t py) {
                    return source.pixels[(static_cast<size_t>(py) * W + px) * n + k];
                };
                half.pixels.push_back(static_cast<unsigned char>((at(x, y) + at(x1, y) + at(x, y1) + at(x1, y1)) / 4));
            }
        }
    }
    return half;
}

// Every level after level 0, down to 1x1.
std::vector<Level> ChainOf(Level level, int32_t n) {
    std::vector<Level> chain;
    while (level.width > 1 || level.height > 1) {
        level = HalfOf(level, n);
        chain.push_back(level);
    }
    return chain;
}

// Random bytes, a quarter of them 255 so that the sums reach their largest.
Bytes NoisyPixels(size_t count, uint32_t seed) {
    Bytes pixels(count);
    for (unsigned char& p : pixels) {
        seed = seed * 1664525u + 1013904223u;
        p = (seed >> 30) == 0 ? 255 : static_cast<unsigned char>(seed >> 22);
    }
    return pixels;
}

// The levels a chain hands over, copied as they come.
struct Collected {
    int32_t n = 0;
    std::vector<Level> levels;
};

void Collect(int32_t level, int32_t width, int32_t height, const unsigned char* data, void* user) {
    Collected* collected = static_cast<Collected*>(user);
    EXPECT_EQ(level, static_cast<int32_t>(collected->levels.size()) + 1);
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(collected->n);
    collected->levels.push_back({width, height, Bytes(data, data + bytes)});
}

class TextureFiles : public TempDirTest {};
using TextureDecode = TextureFiles;
using TextureUpload = TextureFiles;
using TextureNames = TextureFiles;
using TextureBadInput = TextureFiles;

}  // namespace

// ---------------------------------------------------------------------------------------
// The box filter

TEST(TextureFilter, DownsampleLevelAveragesTwoByTwoWithTruncationAndClampsAtTheEdges) {
    struct Case {
        const char* what;
        int32_t W, H, n;
        Bytes source;
        int32_t w, h;
        Bytes expected;
    };
    const Case cases[] = {
        // (10+20+0+3)/4 = 8, (20+30+0+1)/4 = 12, (30+40+0+2)/4 = 18; then
        // (100+50+255+0)/4 = 101, (0+50+255+0)/4 = 76, (255+50+255+1)/4 = 140.
        {"4x2 rgb", 4, 2, 3,
         {10, 20, 30, 20, 30, 40, 100, 0, 255, 50, 50, 50, 0, 0, 0, 3, 1, 2, 255, 255, 255, 0, 0, 1}, 2, 1,
         {8, 12, 18, 101, 76, 140}},
        // 3x3 halves to 1x1 with a step of 3: only the top-left 2x2 counts, (10+20+30+41)/4 = 25.
        {"3x3 odd", 3, 3, 1, {10, 20, 250, 30, 41, 250, 250, 250, 250}, 1, 1, {25}},
        // One column: x1 stays on x, so each row is counted twice, (9+9+2+2)/4 = 5.
        {"1x3 column", 1, 3, 1, {9, 2, 100}, 1, 1, {5}},
        {"3x1 row", 3, 1, 1, {9, 2, 100}, 1, 1, {5}},
        // 5 wide: steps of 2, the last column is dropped; (1+2+6+7)/4 = 4, (3+4+8+9)/4 = 6.
        {"5x2 two channels", 5, 2, 2, {1, 1, 2, 2, 3, 3, 4, 4, 200, 200, 6, 6, 7, 7, 8, 8, 9, 9, 200, 200}, 2, 1,
         {4, 4, 6, 6}},
        {"1x1 stays", 1, 1, 4, {1, 2, 3, 4}, 1, 1, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.source.size(), static_cast<size_t>(c.W * c.H * c.n));
        // Exactly w*h*n bytes, so that a write past the level shows under ASan.
        Bytes out(c.expected.size());
        int32_t w = -1;
        int32_t h = -1;
        KETexture::DownsampleLevel(c.source.data(), c.W, c.H, c.n, out.data(), &w, &h);
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
        EXPECT_EQ(out, c.expected);
    }
}

TEST(TextureFilter, EveryLevelOfEverySizeAndPixelWidthIsThePlainLoop) {
    struct Size {
        int32_t W, H;
    };
    const std::vector<std::pair<const char*, std::vector<Size>>> groups = {
        {"powers of two", {{2, 2}, {4, 4}, {16, 16}, {64, 8}, {256, 4}}},
        {"odd", {{3, 3}, {5, 5}, {7, 9}, {33, 17}, {255, 3}}},
        {"one column", {{1, 1}, {1, 2}, {1, 7}, {1, 64}}},
        {"one row", {{2, 1}, {7, 1}, {64, 1}, {65, 1}, {129, 1}}},
        // Rows of 4 to 9 output pixels: a block of four with and without pixels after it.
        {"around a block",
         {{8, 2}, {9, 3}, {10, 2}, {11, 2}, {12, 2}, {13, 2}, {14, 2}, {15, 2}, {16, 2}, {17, 2}, {18, 2}, {19, 3}}},
        {"other sizes", {{100, 37}, {1000, 6}, {130, 66}}},
    };
    // One builder for every chain, so that each also follows chains of other sizes.
    KEMipmapBuilder builder;
    uint32_t seed = 1;
    for (const auto& [group, sizes] : groups) {
        for (const Size& size : sizes) {
            for (int32_t n = 1; n <= 5; ++n) {
                SCOPED_TRACE(std::string(group) + " " + std::to_string(size.W) + "x" + std::to_string(size.H) +
                             " n=" + std::to_string(n));
                const Level image{size.W, size.H, NoisyPixels(static_cast<size_t>(size.W * size.H * n), ++seed)};
                const std::vector<Level> expected = ChainOf(image, n);
                if (!expected.empty()) {
                    // Exactly w * h * n bytes, so that a write past the level shows under ASan.
                    Level first{-1, -1, Bytes(expected[0].pixels.size())};
                    KETexture::DownsampleLevel(image.pixels.data(), size.W, size.H, n, first.pixels.data(),
                                               &first.width, &first.height);
                    EXPECT_EQ(first, expected[0]);
                }
                Collected chain{n, {}};
                ASSERT_TRUE(builder.Build(image.pixels.data(), size.W, size.H, n, Collect, &chain));
                EXPECT_EQ(chain.levels, expected);
            }
        }
    }
}

TEST(TextureFilter, ChainThatCannotBeMadeHandsNothingOver) {
    const Bytes pixels = NoisyPixels(4 * 4 * 3, 7);
    struct Case {
        const char* what;
        const unsigned char* pixels;
        int32_t W, H, n;
    } const cases[] = {
        {"no pixels", nullptr, 4, 4, 3},
        {"no bytes per pixel", pixels.data(), 4, 4, 0},
        // Level 1's bytes are 2^64 + 2^34: a size_t would wrap to a small block.
        {"more bytes than a size holds", pixels.data(), 1 << 18, 1 << 18, (1 << 30) + 1},
    };
    KEMipmapBuilder builder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Collected levels{c.n, {}};
        EXPECT_FALSE(builder.Build(c.pixels, c.W, c.H, c.n, Collect, &levels));
        EXPECT_FALSE(KETexture::BuildMipmapChain(c.pixels, c.W, c.H, c.n, Collect, &levels));
        EXPECT_TRUE(levels.levels.empty());
    }
    // The builder still works after a refusal.
    Collected levels{3, {}};
    EXPECT_TRUE(builder.Build(pixels.data(), 4, 4, 3, Collect, &levels));
    EXPECT_EQ(levels.levels, ChainOf({4, 4, pixels}, 3));
}

TEST(TextureFilter, MipmapLevelCountEndsAtOneByOne) {
    struct Case {
        int32_t width, height, levels;
    } const cases[] = {{256, 64, 8}, {1, 1, 0}, {2, 1, 1}, {3, 5, 2}, {1, 1024, 10}, {1000, 3, 9}};
    for (const Case& c : cases) {
        EXPECT_EQ(KETexture::MipmapLevelCount(c.width, c.height), c.levels) << c.width << "x" << c.height;
    }
}

// ---------------------------------------------------------------------------------------
// Upload

TEST_F(TextureUpload, EveryMipmapLevelIsUploadedWithTheBoxFilteredContent) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    TexturePtr texture = Named(WriteBytes("checker.png", Png(Checker4x4())));
    const GLuint name = texture->GetGLName();
    ASSERT_NE(name, 0u);
    glBindTexture(GL_TEXTURE_2D, name);

    EXPECT_EQ(LevelSize(0), (Size{4, 4}));
    EXPECT_EQ(LevelSize(1), (Size{2, 2}));
    EXPECT_EQ(LevelSize(2), (Size{1, 1}));
    // Blocks worked by hand: red (0+255+255+0)/4 = 127, green (0+40+10+50)/4 = 25, ...
    EXPECT_EQ(ReadLevel(1, GL_RGBA),
              (Bytes{127, 25, 4, 200, 127, 105, 21, 202, 127, 45, 21, 200, 127, 125, 106, 202}));
    // (25+105+45+125)/4 = 75, (4+21+21+106)/4 = 38, (200+202+200+202)/4 = 201.
    EXPECT_EQ(ReadLevel(2, GL_RGBA), (Bytes{127, 75, 38, 201}));

    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR_MIPMAP_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_REPEAT);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_REPEAT);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureUpload, TexturesLoadedThroughOneBuilderUploadTheSameLevels) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    KEMipmapBuilder builder;
    for (int round = 0; round < 2; ++round) {
        TexturePtr texture = Named(WriteBytes("checker" + std::to_string(round) + ".png", Png(Checker4x4())));
        ASSERT_TRUE(texture->LoadTexture(builder));
        glBindTexture(GL_TEXTURE_2D, texture->GetGLName());
        EXPECT_EQ(ReadLevel(1, GL_RGBA),
                  (Bytes{127, 25, 4, 200, 127, 105, 21, 202, 127, 45, 21, 200, 127, 125, 106, 202}));
        EXPECT_EQ(ReadLevel(2, GL_RGBA), (Bytes{127, 75, 38, 201}));
    }
    EXPECT_GT(builder.GetCapacity(), 0u);  // the chains were built in the builder's memory
}

TEST_F(TextureUpload, LevelSizesOfAnyImageSizeStopAtOneByOne) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    struct Case {
        png_uint_32 width, height;
        std::vector<Size> levels;
    };
    const Case cases[] = {
        {1, 1, {{1, 1}}},
        {3, 5, {{3, 5}, {1, 2}, {1, 1}}},
        {8, 2, {{8, 2}, {4, 1}, {2, 1}, {1, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const std::string file = "size" + std::to_string(c.width) + "x" + std::to_string(c.height) + ".png";
        TexturePtr texture = Named(WriteBytes(file, Png(Rgb8(c.width, c.height, Bytes(c.width * c.height * 3, 9)))));
        ASSERT_TRUE(texture->LoadTexture());
        glBindTexture(GL_TEXTURE_2D, texture->GetGLName());
        for (size_t level = 0; level < c.levels.size(); ++level) {
            EXPECT_EQ(LevelSize(static_cast<GLint>(level)), c.levels[level]) << "level " << level;
        }
        EXPECT_EQ(LevelSize(static_cast<GLint>(c.levels.size())).width, 0) << "no level after the 1x1";
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureUpload, ReleasedTextureDeletesItsNameAndLoadsAgainWhenUsed) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    TexturePtr texture = Named(WriteBytes("a.png", Png(Rgb8(2, 2, Bytes(12, 50)))));
    const GLuint first = texture->GetGLName();
    ASSERT_NE(first, 0u);
    ASSERT_EQ(glIsTexture(first), GL_TRUE);

    texture->ReleaseTexture();
    EXPECT_FALSE(texture->IsLoaded());
    EXPECT_EQ(texture->GetPixels(), nullptr);
    EXPECT_EQ(glIsTexture(first), GL_FALSE);
    texture->ReleaseTexture();  // twice is harmless

    const GLuint again = texture->GetGLName();
    EXPECT_NE(again, 0u);
    EXPECT_EQ(glIsTexture(again), GL_TRUE);
    EXPECT_TRUE(texture->IsLoaded());
    KETexture::FreeTexture(nullptr);
}

// ---------------------------------------------------------------------------------------
// Decoding

TEST_F(TextureDecode, EveryPngLayoutBecomesEightBitRgbOrRgba) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    struct Case {
        const char* what;
        PngImage image;
        GLenum format;
        Bytes pixels;
    };
    std::vector<Case> cases;
    {
        PngImage i = Rgb8(2, 1, {0xAB, 0xCD, 0x12, 0x34, 0xFF, 0x00, 0x00, 0xFF, 0x80, 0x80, 0x01, 0x02});
        i.bitDepth = 16;
        cases.push_back({"16-bit rgb keeps the high bytes", i, GL_RGB, {0xAB, 0x12, 0xFF, 0x00, 0x80, 0x01}});
    }
    {
        PngImage i = Rgb8(2, 1, {0, 1});
        i.colorType = PNG_COLOR_TYPE_PALETTE;
        i.palette = {{10, 20, 30}, {40, 50, 60}};
        i.paletteAlpha = {128};
        cases.push_back({"palette with tRNS", i, GL_RGBA, {10, 20, 30, 128, 40, 50, 60, 255}});
    }
    {
        PngImage i = Rgb8(3, 1, {0x10, 0x10});  // 4-bit indices 1, 0, 1
        i.colorType = PNG_COLOR_TYPE_PALETTE;
        i.bitDepth = 4;
        i.palette = {{10, 20, 30}, {40, 50, 60}};
        cases.push_back({"4-bit palette", i, GL_RGB, {40, 50, 60, 10, 20, 30, 40, 50, 60}});
    }
    {
        PngImage i = Rgb8(2, 1, {100, 50, 0, 255});
        i.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
        cases.push_back({"grey with alpha", i, GL_RGBA, {100, 100, 100, 50, 0, 0, 0, 255}});
    }
    {
        PngImage i = Rgb8(3, 1, {0xA0});  // bits 1, 0, 1
        i.colorType = PNG_COLOR_TYPE_GRAY;
        i.bitDepth = 1;
        cases.push_back({"1-bit grey", i, GL_RGB, {255, 255, 255, 0, 0, 0, 255, 255, 255}});
    }
    {
        PngImage i = Rgb8(2, 1, {7, 9});
        i.colorType = PNG_COLOR_TYPE_GRAY;
        i.transparentGrey = 7;
        cases.push_back({"grey with tRNS", i, GL_RGBA, {7, 7, 7, 0, 9, 9, 9, 255}});
    }
    {
        // Linear file data shown at gamma 2.2: 255 * (v / 255)^(1 / 2.2), rounded.
        PngImage i = Rgb8(1, 1, {64, 128, 200});
        i.gamma = 1.0;
        cases.push_back({"gAMA 1.0", i, GL_RGB, {136, 186, 228}});
    }
    {
        PngImage i = Rgb8(3, 3, {});
        i.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
        i.interlaced = true;
        for (unsigned char v = 0; v < 36; ++v) i.data.push_back(static_cast<unsigned char>(v * 7));
        cases.push_back({"interlaced rgba", i, GL_RGBA, i.data});
    }

    for (size_t k = 0; k < cases.size(); ++k) {
        const Case& c = cases[k];
        SCOPED_TRACE(c.what);
        TexturePtr texture = Named(WriteBytes("layout" + std::to_string(k) + ".png", Png(c.image)));
        ASSERT_TRUE(texture->LoadTexture());
        EXPECT_EQ(texture->GetPixelFormat(), c.format);
        EXPECT_EQ(texture->GetWidth(), static_cast<int32_t>(c.image.width));
        EXPECT_EQ(texture->GetHeight(), static_cast<int32_t>(c.image.height));
        EXPECT_EQ(PixelsOf(*texture), c.pixels);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureDecode, BmpWithPaddedRowsUploadsItsPixelsAndMipmap) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    RecordingLog log;
    TexturePtr texture = Named(WriteBytes("wall.bmp", Bmp3x2()), GL_RGB8);
    const GLuint name = texture->GetGLName();
    ASSERT_NE(name, 0u);
    EXPECT_EQ(texture->GetPixelFormat(), static_cast<GLenum>(GL_RGB));
    const Bytes expected = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90};
    EXPECT_EQ(PixelsOf(*texture), expected);

    glBindTexture(GL_TEXTURE_2D, name);
    EXPECT_EQ(ReadLevel(0, GL_RGB), expected);
    // 3x2 -> 1x1 from the left 2x2: (255+0+10+40)/4 = 76, (0+255+20+50)/4 = 81, (0+0+30+60)/4 = 22.
    EXPECT_EQ(ReadLevel(1, GL_RGB), (Bytes{76, 81, 22}));
    EXPECT_TRUE(log.Boxes().empty());
}

// ---------------------------------------------------------------------------------------
// Names

TEST_F(TextureNames, MissingBmpLoadsThePngOfTheSameStemAndKeepsItsName) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    RecordingLog log;
    WriteBytes("stone.png", Png(Rgb8(2, 2, Bytes(12, 80))));
    TexturePtr texture = Named(PathOf("stone.bmp"));
    ASSERT_TRUE(texture->LoadTexture());
    EXPECT_EQ(std::string(texture->GetFileName()), PathOf("stone.PNG"));
    EXPECT_EQ(texture->GetPixelFormat(), static_cast<GLenum>(GL_RGB));
    EXPECT_TRUE(log.Boxes().empty());
}

TEST_F(TextureNames, ExtensionIsUpperCasedInPlaceAndDecidesTheDecoder) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    RecordingLog log;
    WriteBytes("sky.png", Png(Rgb8(1, 1, {1, 2, 3})));
    TexturePtr lower = Named(PathOf("sky.png"));
    EXPECT_TRUE(lower->LoadTexture());  // found again under "sky.PNG" case-blind
    EXPECT_EQ(std::string(lower->GetFileName()), PathOf("sky.PNG"));

    // An existing file whose last four characters are no known extension: false, silently.
    WriteBytes("image", Png(Rgb8(1, 1, {1, 2, 3})));
    TexturePtr plain = Named(PathOf("image"));
    EXPECT_FALSE(plain->LoadTexture());
    EXPECT_EQ(std::string(plain->GetFileName()), PathOf("iMAGE"));
    EXPECT_TRUE(log.Boxes().empty());
}

TEST_F(TextureNames, MissingNameWithoutExtensionIsTriedAsPng) {
    RecordingLog log;
    TexturePtr texture = Named(PathOf("nothing"));
    EXPECT_FALSE(texture->LoadTexture());
    EXPECT_EQ(std::string(texture->GetFileName()), PathOf("not.PNG"));
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Error abriendo '" + PathOf("not.PNG") + "'"});
}

TEST_F(TextureNames, NamesThatDoNotFitAreRefusedWithTheTextureError) {
    RecordingLog log;
    TexturePtr texture = Named("kept.png");
    const std::string tooLong(KETexture::kMaxFileName + 1, 'a');
    EXPECT_FALSE(texture->SetFile(tooLong.c_str(), GL_RGB));
    EXPECT_EQ(std::string(texture->GetFileName()), "kept.png");
    EXPECT_FALSE(texture->SetFile(nullptr, GL_RGB));
    EXPECT_EQ(log.Boxes(), (std::vector<std::string>{"Error cargando textura '" + tooLong + "'",
                                                     "Error cargando textura '(null)'"}));

    const std::string longest(KETexture::kMaxFileName, 'b');
    EXPECT_TRUE(texture->SetFile(longest.c_str(), GL_RGB));
    EXPECT_EQ(std::string(texture->GetFileName()), longest);

    // Too short to carry an extension that could be rewritten: refused, name untouched.
    log.Clear();
    TexturePtr shortName = Named("q~");
    EXPECT_FALSE(shortName->LoadTexture());
    EXPECT_EQ(std::string(shortName->GetFileName()), "q~");
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Error cargando textura 'q~'"});
}

TEST_F(TextureNames, TextureThatCannotLoadHasNoGLNameAndIsBoxedOnceThenTraced) {
    RecordingLog log;
    TexturePtr texture = Named(PathOf("gone.png"));
    const std::string stored = PathOf("gone.PNG");
    EXPECT_EQ(texture->GetGLName(), 0u);
    EXPECT_EQ(log.Boxes(), (std::vector<std::string>{"Error abriendo '" + stored + "'",
                                                     "Error cargando textura '" + stored + "'"}));
    // The next frames ask again: the attempt and its reports repeat, as traces only.
    log.Clear();
    EXPECT_EQ(texture->GetGLName(), 0u);
    EXPECT_TRUE(log.Boxes().empty());
    const std::vector<std::string> lines = log.Lines();
    EXPECT_EQ(lines, (std::vector<std::string>{"Error abriendo '" + stored + "'",
                                               "Error cargando textura '" + stored + "'"}));
    EXPECT_FALSE(texture->IsLoaded());

    // Once the file is there, the next attempt loads it.
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    WriteBytes("gone.png", Png(Rgb8(1, 1, {1, 2, 3})));
    EXPECT_NE(texture->GetGLName(), 0u);
}

// ---------------------------------------------------------------------------------------
// Bad input: false, no crash, nothing read outside a buffer (the test build runs ASan)

TEST_F(TextureBadInput, CorruptPngsAreRefusedCleanly) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    RecordingLog log;
    const Bytes good = Png(Checker4x4());
    Bytes garbage(good.begin(), good.begin() + 8);
    garbage.insert(garbage.end(), 200, 0xAA);
    Bytes badCrc = good;
    badCrc[good.size() - 20] ^= 0x5A;  // inside the image data
    PngImage wide = Rgb8(20000, 1, Bytes(20000 * 3, 1));

    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"signature then garbage", garbage},
        {"corrupt image data", badCrc},
        {"wider than any texture", Png(wide)},
        {"not a png at all", Bytes{'h', 'e', 'l', 'l', 'o'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TexturePtr texture = Named(WriteBytes("bad.png", c.bytes));
        EXPECT_FALSE(texture->LoadTexture());
        EXPECT_FALSE(texture->IsLoaded());
        EXPECT_EQ(texture->GetPixels(), nullptr);
    }
    // Decoding failures are traced, never boxed: the box is GetGLName's.
    EXPECT_TRUE(log.Boxes().empty());
    EXPECT_TRUE(log.Contains("PNG '" + PathOf("bad.PNG") + "'"));
}

TEST_F(TextureBadInput, PngCutAtEveryLengthIsRefused) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    RecordingLog log;
    const Bytes good = Png(Checker4x4());
    for (size_t length = 0; length < good.size(); ++length) {
        TexturePtr texture = Named(WriteBytes("cut.png", Bytes(good.begin(), good.begin() + length)));
        EXPECT_FALSE(texture->LoadTexture()) << "cut at " << length;
    }
    TexturePtr whole = Named(WriteBytes("cut.png", good));
    EXPECT_TRUE(whole->LoadTexture());
}

TEST_F(TextureBadInput, UnreadableBmpReportsTheBitmapError) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    RecordingLog log;
    Bytes cut = Bmp3x2();
    cut.resize(60);
    TexturePtr texture = Named(WriteBytes("cut.bmp", cut));
    EXPECT_EQ(texture->GetGLName(), 0u);
    const std::string stored = PathOf("cut.BMP");
    EXPECT_EQ(log.Boxes(), (std::vector<std::string>{"Error cargando bitmap " + stored,
                                                     "Error cargando textura '" + stored + "'"}));
    // Every later frame tries again and only traces both reports.
    for (int frame = 0; frame < 2; ++frame) {
        log.Clear();
        EXPECT_EQ(texture->GetGLName(), 0u);
        EXPECT_TRUE(log.Boxes().empty());
        const std::vector<std::string> lines = log.Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "[ERROR: ]: Error cargando bitmap " + stored), 1);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Error cargando textura '" + stored + "'"), 1);
    }
    // Another texture of the same file has its own first box.
    log.Clear();
    TexturePtr other = Named(stored);
    EXPECT_EQ(other->GetGLName(), 0u);
    EXPECT_EQ(log.Boxes().size(), 2u);
}

TEST_F(TextureBadInput, EachFrameReportsAShortMissingNameOnce) {
    RecordingLog log;
    TexturePtr texture = Named("q~");
    for (int frame = 0; frame < 2; ++frame) {
        log.Clear();
        EXPECT_EQ(texture->GetGLName(), 0u);
        const std::vector<std::string> expectBoxes =
            frame == 0 ? std::vector<std::string>{"Error cargando textura 'q~'"} : std::vector<std::string>{};
        EXPECT_EQ(log.Boxes(), expectBoxes);
        EXPECT_EQ(log.Lines().size(), 1u);
    }
}

TEST_F(TextureBadInput, PipesAreNotOpenedAsImages) {
    // A refused .bmp name is tried as the .png of its stem: that is a pipe too.
    const std::vector<std::string> pipes = {PathOf("pipe.png"), PathOf("pipe.bmp")};
    for (const std::string& fifo : pipes) {
        if (!MakeFilePipe(fifo)) GTEST_SKIP() << "no named pipes in this file system";
    }
    for (const std::string& fifo : pipes) {
        SCOPED_TRACE(fifo);
        auto loaded = std::async(std::launch::async, [&fifo] {
            RecordingLog log;
            TexturePtr texture = Named(fifo);
            return texture->LoadTexture();
        });
        // A blocked open fails the test and is let go by a writer on whichever pipe it waits.
        while (loaded.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "the texture blocked on a pipe";
            for (const std::string& other : pipes) ReleasePipeReader(other);
        }
        EXPECT_FALSE(loaded.get());
    }
}
