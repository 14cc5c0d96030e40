// libFuzzer harness for the bitmap font reader: any bytes, read as a .KEF description,
// must be refused or loaded without a crash, a hang or a read outside the data; a loaded
// font then writes a text made of the same bytes (longer than its stream holds) into its
// quads. There is no GL context: an empty extension table keeps the stream out of VAR
// memory, and the texture is only named, never loaded.
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KEFont.h"
#include "FuzzInput.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Quiet();
    static KEExtensions none;
    static const bool ready = [] {
        KEExtensions::SetInstance(&none);
        // Every accepted file prints its face and texture names.
        return std::freopen("/dev/null", "w", stdout) != nullptr;
    }();
    const char* path = fuzz::AsFile(data, size);
    if (!ready || !path) return 0;

    KEFont font;
    if (font.Load(path)) {
        for (int32_t c = 0; c < KEFont::kGlyphs; ++c) {
            const KEFont::Glyph& g = font.GetGlyph(c);
            if (g.width < 0 || g.width > 512 || g.right < g.left) __builtin_trap();
        }
    }
    // The input again as text (bytes of every value, repeated past the 500 characters the
    // stream holds); a font that was refused draws nothing.
    std::string text;
    while (text.size() < 600 && size > 0) text.append(reinterpret_cast<const char*>(data), size);
    font.DrawText(text.c_str(), static_cast<int32_t>(size) - 1000, -7);
    KEEngine::GetEngine()->GetQueue().Clear();
    return 0;
}
