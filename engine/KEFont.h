// A proportional bitmap font: a .KEF description (face name, glyph texture name, cell size,
// 256 advance widths) and a 512 x 512 texture of 256 glyphs on a 16 x 16 grid. Text is drawn
// as textured quads through the render queue, in screen pixels, on top of the frame. One
// string per font object per frame: the stream holds only the last string drawn.
#pragma once

#include "KEDrawCall.h"

#include <cstdint>
#include <memory>

class KEMaterial;
class KETexture;
class KEVertexTextured;

class KEFont {
public:
    static constexpr int32_t kGlyphs = 256;
    static constexpr int32_t kMaxVertices = 2000;  // 500 characters

    struct Glyph {
        float left = 0, top = 0, right = 0, bottom = 0;  // texture rectangle, 0..1
        int32_t width = 0;                               // advance in pixels
    };

    KEFont();
    ~KEFont();
    KEFont(const KEFont&) = delete;
    KEFont& operator=(const KEFont&) = delete;

    // Reads the description at `path` (the texture is looked up beside it) and prepares the
    // texture, material and stream. False when the file cannot be opened or is not a whole,
    // well-formed description. An unchanged description and glyph sheet loaded before are
    // taken from the engine's data cache instead of the disk.
    bool Load(const char* path);
    // Submits `text` as one render item with its top-left corner at pixel (x, y) of the
    // viewport, y growing downwards. Text past 500 characters is cut; a font that was never
    // loaded draws nothing.
    void DrawText(const char* text, int32_t x, int32_t y);

    const char* GetFaceName() const { return m_faceName; }
    int32_t GetCellSize() const { return m_cellSize; }
    const Glyph& GetGlyph(int32_t code) const { return m_glyphs[code & 0xFF]; }
    KEVertexTextured* GetStream() const { return m_stream.get(); }
    KEMaterial* GetMaterial() const { return m_material.get(); }
    KETexture* GetTexture() const { return m_texture; }

private:
    char m_faceName[256] = {};
    int32_t m_cellSize = 0;
    Glyph m_glyphs[kGlyphs];
    std::unique_ptr<KEVertexTextured> m_stream;
    std::unique_ptr<KEMaterial> m_material;
    KETexture* m_texture = nullptr;  // owned
    KEDrawCall m_drawCall;
    // Reports that would otherwise repeat every frame are traced once per font.
    bool m_notLoadedReported = false;
    bool m_cutReported = false;
};
