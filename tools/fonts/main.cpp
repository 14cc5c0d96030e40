// make_font: writes the show's bitmap font, "Tahoma.KEF" and its 512 x 512 glyph sheet
// "Tahoma.png", into a folder, rasterised with FreeType from a font file.
// Usage: make_font FONTFILE FOLDER. Both files are the same, byte for byte, on every run.
#include "FontFiles.h"
#include "Images.h"
#include "GlyphSheet.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

int Fail(const std::string& reason) {
    std::fprintf(stderr, "make_font: %s\n", reason.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || argv[1][0] == '\0' || argv[2][0] == '\0') return Fail("usage: make_font FONTFILE FOLDER");
    const std::filesystem::path folder(argv[2]);
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code) return Fail("cannot create the folder " + folder.string() + ": " + code.message());

    fonts::GlyphSheet sheet;
    std::string error;
    if (!fonts::RasteriseSheet(argv[1], &sheet, &error)) return Fail(error);
    const std::string texture = "Tahoma.png";
    if (!data::WritePngRgba((folder / texture).string(), fonts::GlyphSheet::kSize, fonts::GlyphSheet::kSize,
                             sheet.rgba, &error) ||
        !fonts::WriteKef((folder / "Tahoma.KEF").string(), sheet.family, texture, fonts::GlyphSheet::kCellSize,
                         sheet.widths, &error)) {
        return Fail(error);
    }
    std::printf("make_font: %s at %d pixels in rows of %d\n", sheet.family.c_str(), sheet.pixelSize,
                fonts::GlyphSheet::kCellSize);
    return 0;
}
