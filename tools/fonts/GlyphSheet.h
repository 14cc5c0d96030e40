// The font's glyph sheet: 256 character codes (Latin-1) rasterised with FreeType onto a
// 512 x 512 RGBA image in 16 rows of 16, each row packed from the left edge with no gaps,
// each glyph as wide as its rounded advance.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fonts {

struct GlyphSheet {
    static constexpr int kSize = 512;
    static constexpr int kGlyphs = 256;
    static constexpr int kPerRow = 16;
    // 16 rows fill the sheet exactly.
    static constexpr int kCellSize = kSize / kPerRow;

    std::string family;     // the face's family name
    int pixelSize = 0;      // the size the glyphs were rasterised at
    int32_t widths[kGlyphs] = {};  // advance in pixels; 0 for codes the sheet leaves empty
    // kSize x kSize pixels, rows top to bottom: coverage as grey on black, alpha the same.
    std::vector<uint8_t> rgba;
};

// Rasterises the printable codes 32..126 and 160..255 the font has (code c is Unicode
// U+00c), at the largest pixel size up to 17 whose glyphs all fit their 32-pixel rows and whose
// rows all fit the sheet's width. False with the reason in *error.
bool RasteriseSheet(const std::string& fontFile, GlyphSheet* sheet, std::string* error);

}  // namespace fonts
