// One 2D OpenGL texture made from one image file: a PNG decoded with libpng or a BMP
// loaded through the application object. Textures are created empty, named, and loaded
// later (at once by their owner, or by the timeline from the engine's queue of pending
// scene textures). Loading keeps the decoded image in memory, builds the whole mipmap
// chain on the CPU with a 2x2 box filter and uploads every level. Decoded images are shared
// through the engine's data cache: a file already decoded and unchanged is not read again.
//
// Main thread only. Loading, uploading and releasing need the GL context current.
#pragma once

#include "KEDataCache.h"
#include "KEMipmap.h"

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <string>

class KETexture {
public:
    // Longest file name a texture keeps, in characters.
    static constexpr int32_t kMaxFileName = 259;

    // An empty texture: no name, no pixels, no GL name.
    static KETexture* NewTexture();
    // ReleaseTexture and delete; null is fine.
    static void FreeTexture(KETexture* texture);

    KETexture();
    ~KETexture();
    KETexture(const KETexture&) = delete;
    KETexture& operator=(const KETexture&) = delete;

    // Copies the name (up to kMaxFileName characters) and keeps the internal format for
    // glTexImage2D. A null or longer name is refused with "Error cargando textura '%s'";
    // the texture then keeps its previous name. Does not reload a loaded texture.
    bool SetFile(const char* name, GLenum internalFormat);

    // True once the GL texture exists (at once if it already did). A missing file has its
    // last four characters replaced by ".png"; the extension is then upper-cased in place
    // and selects the decoder (".PNG" or ".BMP"; anything else fails without a message).
    // Both changes stay in the stored name. A failed load leaves the texture unloaded, and
    // the next call tries again.
    bool LoadTexture();
    // The same, building the mipmap chain in the builder's memory, which it keeps for the
    // next texture: a loader of many textures allocates that memory once.
    bool LoadTexture(KEMipmapBuilder& builder);

    // The GL name, loading first; 0 after reporting "Error cargando textura '%s'" when the
    // texture cannot be loaded. Each report of a texture (the PNG's, the bitmap's and this
    // one) is shown in a box the first time and only traced afterwards, since this is
    // called every frame; one call makes each report at most once.
    GLuint GetGLName();

    // Deletes the GL texture and frees the pixels; the texture can be loaded again.
    void ReleaseTexture();

    bool IsLoaded() const { return m_loaded != 0; }
    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    // GL_RGB or GL_RGBA as decoded; 0 before the first successful decode.
    GLenum GetPixelFormat() const { return m_pixelFormat; }
    GLenum GetInternalFormat() const { return m_internalFormat; }
    const char* GetFileName() const { return m_fileName; }
    // Level 0, rows top to bottom, 3 (GL_RGB) or 4 (GL_RGBA) bytes per pixel; null until loaded.
    const unsigned char* GetPixels() const { return m_image ? m_image->pixels.get() : nullptr; }

    // One step of the mipmap chain: halves W x H (n bytes per pixel; a side of 1 stays 1)
    // into out, which must hold w * h * n bytes. Output pixel (i, j) averages the source
    // samples (x, y), (x1, y), (x, y1), (x1, y1) with x = i * (W / w), y = j * (H / h),
    // and x1, y1 one further unless that leaves the image; the sum is divided by 4 with
    // truncation. Sizes that are not powers of two drop their last columns or rows.
    static void DownsampleLevel(const unsigned char* source, int32_t W, int32_t H, int32_t n,
                                unsigned char* out, int32_t* w, int32_t* h);
    // The number of mipmap levels after level 0 (256x64 gives 8; 1x1 gives 0).
    static int32_t MipmapLevelCount(int32_t width, int32_t height);

    // Receives each level of a mipmap chain after level 0, smallest last.
    using LevelSink = KEMipmapBuilder::LevelSink;
    // Builds the chain of W x H pixels (n bytes per pixel) down to 1x1 and hands every
    // level to sink. False, with nothing handed over, when its memory cannot be allocated.
    // Allocates its memory for this one chain; a caller with many chains to build keeps a
    // KEMipmapBuilder instead.
    static bool BuildMipmapChain(const unsigned char* pixels, int32_t W, int32_t H, int32_t n, LevelSink sink,
                                 void* user);

    // "libpng 1.6.39": the PNG decoder's library as the program runs on it.
    static std::string PngLibraryVersion();

private:
    // LoadTexture; *reported tells whether it has already reported the texture's own
    // error ("Error cargando textura"), so that GetGLName does not repeat it.
    // The builder may be null: the chain then gets memory of its own.
    bool Load(bool* reported, KEMipmapBuilder* builder = nullptr);
    // The decoders: the image of the file, or null after their reports.
    std::shared_ptr<const KEDataCache::Image> DecodePNG(const char* name);
    std::shared_ptr<const KEDataCache::Image> DecodeBMP(const char* name);
    // Shows the report in a box the first time this texture makes it (kind is one of the
    // kReport bits) and only traces it afterwards.
    void Report(uint32_t kind, const char* text);

    enum : uint32_t { kReportOpen = 1u, kReportLoad = 2u, kReportBitmap = 4u };
    static constexpr GLuint kNoGLName = ~0u;

    std::shared_ptr<const KEDataCache::Image> m_image;  // shared with the engine's data cache
    int32_t m_width = 0;
    int32_t m_height = 0;
    GLuint m_glName = kNoGLName;
    uint8_t m_loaded = 0;
    char m_fileName[kMaxFileName + 1] = {};
    GLenum m_internalFormat = 0;
    GLenum m_pixelFormat = 0;
    uint32_t m_reported = 0;  // kReport bits already shown in a box
};
