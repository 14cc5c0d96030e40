// Rasterising the glyph sheet with FreeType: find the largest pixel size (up to an overlay
// size) at which every glyph fits its row, then draw each glyph into its cell, clipped to
// the cell so that no glyph shows in its neighbour's rectangle.
#include "GlyphSheet.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace fonts {
namespace {

constexpr int kSmallestPixelSize = 6;
// An overlay size: a statistics line of about 80 characters fits an 800-pixel screen.
constexpr int kLargestPixelSize = 17;

// Codes without a printable Latin-1 character (controls, DEL and the C1 controls) stay empty.
bool Printable(int code) { return (code >= 32 && code <= 126) || code >= 160; }

// Owns the FreeType library and one face.
class Face {
public:
    ~Face() {
        if (m_face) FT_Done_Face(m_face);
        if (m_library) FT_Done_FreeType(m_library);
    }
    bool Open(const std::string& file, std::string* error) {
        if (FT_Init_FreeType(&m_library) != 0) {
            m_library = nullptr;
            *error = "FreeType could not start";
            return false;
        }
        if (FT_New_Face(m_library, file.c_str(), 0, &m_face) != 0) {
            m_face = nullptr;
            *error = "cannot read the font " + file;
            return false;
        }
        return true;
    }
    FT_Face Get() const { return m_face; }

private:
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
};

// The rendered glyph of one code at the face's current size, or false when the face has
// no glyph for it.
bool RenderCode(FT_Face face, int code, std::string* error, bool* missing) {
    *missing = false;
    const FT_UInt index = Printable(code) ? FT_Get_Char_Index(face, static_cast<FT_ULong>(code)) : 0;
    if (index == 0) {
        *missing = true;
        return true;
    }
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) {
        *error = "FreeType cannot render character " + std::to_string(code);
        return false;
    }
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    if (bitmap.rows > 0 && (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.pitch < 0)) {
        *error = "FreeType gave character " + std::to_string(code) + " an unexpected bitmap";
        return false;
    }
    return true;
}

int Advance(FT_Face face) { return static_cast<int>((face->glyph->advance.x + 32) >> 6); }

// Widths at the face's current size, and the space the glyphs need above and below the
// baseline.
bool Measure(FT_Face face, int32_t (&widths)[GlyphSheet::kGlyphs], int* above, int* below, std::string* error) {
    *above = 0;
    *below = 0;
    for (int code = 0; code < GlyphSheet::kGlyphs; ++code) {
        bool missing = false;
        if (!RenderCode(face, code, error, &missing)) return false;
        widths[code] = missing ? 0 : Advance(face);
        if (missing || face->glyph->bitmap.rows == 0) continue;
        const int top = face->glyph->bitmap_top;
        *above = std::max(*above, top);
        *below = std::max(*below, static_cast<int>(face->glyph->bitmap.rows) - top);
    }
    return true;
}

bool RowsFit(const int32_t (&widths)[GlyphSheet::kGlyphs]) {
    for (int row = 0; row < GlyphSheet::kPerRow; ++row) {
        int total = 0;
        for (int i = 0; i < GlyphSheet::kPerRow; ++i) total += widths[row * GlyphSheet::kPerRow + i];
        if (total > GlyphSheet::kSize) return false;
    }
    return true;
}

// Copies the current glyph's coverage into the cell whose top-left corner is (x, y),
// w pixels wide, with the baseline `baseline` pixels below the cell's top.
void Blit(FT_Face face, int x, int y, int w, int baseline, std::vector<uint8_t>* rgba) {
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int left = x + face->glyph->bitmap_left;
    const int top = y + baseline - face->glyph->bitmap_top;
    for (int r = 0; r < static_cast<int>(bitmap.rows); ++r) {
        const int py = top + r;
        if (py < y || py >= y + GlyphSheet::kCellSize) continue;
        for (int col = 0; col < static_cast<int>(bitmap.width); ++col) {
            const int px = left + col;
            if (px < x || px >= x + w) continue;
            const uint8_t coverage = bitmap.buffer[r * bitmap.pitch + col];
            uint8_t* pixel = &(*rgba)[(static_cast<size_t>(py) * GlyphSheet::kSize + static_cast<size_t>(px)) * 4];
            std::fill(pixel, pixel + 4, coverage);
        }
    }
}

}  // namespace

bool RasteriseSheet(const std::string& fontFile, GlyphSheet* sheet, std::string* error) {
    Face face;
    if (!face.Open(fontFile, error)) return false;
    FT_Face f = face.Get();
    sheet->family = f->family_name ? f->family_name : "";
    if (sheet->family.empty() || sheet->family.size() > 255) {
        *error = "the font's family name is empty or longer than 255 characters";
        return false;
    }

    int above = 0;
    int below = 0;
    int size = kLargestPixelSize < GlyphSheet::kCellSize ? kLargestPixelSize : GlyphSheet::kCellSize;
    for (;; --size) {
        if (size < kSmallestPixelSize) {
            *error = "no pixel size fits the glyphs into 32-pixel rows of 512 pixels";
            return false;
        }
        if (FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(size)) != 0) {
            *error = "the font cannot be set to " + std::to_string(size) + " pixels";
            return false;
        }
        if (!Measure(f, sheet->widths, &above, &below, error)) return false;
        if (above + below <= GlyphSheet::kCellSize && RowsFit(sheet->widths)) break;
    }
    sheet->pixelSize = size;
    // The line sits in the middle of its row.
    const int baseline = above + (GlyphSheet::kCellSize - above - below) / 2;

    sheet->rgba.assign(static_cast<size_t>(GlyphSheet::kSize) * GlyphSheet::kSize * 4, 0);
    for (int row = 0; row < GlyphSheet::kPerRow; ++row) {
        int x = 0;
        for (int i = 0; i < GlyphSheet::kPerRow; ++i) {
            const int code = row * GlyphSheet::kPerRow + i;
            bool missing = false;
            if (!RenderCode(f, code, error, &missing)) return false;
            if (!missing) Blit(f, x, row * GlyphSheet::kCellSize, sheet->widths[code], baseline, &sheet->rgba);
            x += sheet->widths[code];
        }
    }
    return true;
}

}  // namespace fonts
