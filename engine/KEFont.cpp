// The bitmap font: reading and checking a .KEF description (its bytes from the engine's data
// cache), the glyph table it gives, and strings written as screen-space quads into the
// font's stream.
#include "KEFont.h"

#include "KEEngine.h"
#include "KEMaterial.h"
#include "KETexture.h"
#include "KEVarMemory.h"
#include "KEVertexLayouts.h"
#include "KLLog.h"
#include "KLPath.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

namespace {

// The glyph texture is 512 x 512: texture units per pixel.
constexpr float kTexel = 1.0f / 512.0f;
constexpr int32_t kSheetSize = 512;
constexpr int32_t kGlyphsPerRow = 16;
constexpr int32_t kMaxNameLength = 255;
constexpr int32_t kMaxCharacters = KEFont::kMaxVertices / 4;
// The cell size and the widths together: one int32 and 256 int32.
constexpr size_t kMetricsBytes = 4 * (1 + KEFont::kGlyphs);
// The most a description uses: two names with their NULs and the metrics. Bytes after
// them are never looked at.
constexpr size_t kDescriptionBytes = 2 * (kMaxNameLength + 1) + kMetricsBytes;
// Larger descriptions are read from the file, as far as they are used, and not cached.
constexpr uintmax_t kMaxCachedBytes = 1 << 20;

// Everything a .KEF file holds, read and checked before any of it is used.
struct Description {
    char faceName[kMaxNameLength + 1] = {};
    char textureName[kMaxNameLength + 1] = {};
    int32_t cellSize = 0;
    int32_t widths[KEFont::kGlyphs] = {};
};

int32_t LittleEndianInt(const unsigned char* p) {
    const uint32_t value = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    int32_t result;
    std::memcpy(&result, &value, sizeof result);
    return result;
}

// The bytes of a description, read from the front.
struct Input {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

// A NUL-terminated name of at most 255 characters; the reason is traced when it is not one.
bool ReadName(Input* in, const char* path, const char* field, char (&name)[kMaxNameLength + 1]) {
    for (int32_t i = 0; i <= kMaxNameLength; ++i) {
        if (in->at == in->size) {
            LogMessage("KEFont::Load - '%s': the %s runs past the end of the file", path, field);
            return false;
        }
        const uint8_t c = in->data[in->at++];
        name[i] = static_cast<char>(c);
        if (c == 0) return true;
    }
    LogMessage("KEFont::Load - '%s': the %s is longer than %d characters", path, field,
               static_cast<int>(kMaxNameLength));
    return false;
}

// Reads the whole description; false (after a trace naming the file and the field) for
// anything that is not one.
bool ReadDescription(Input* in, const char* path, Description* out) {
    if (!ReadName(in, path, "face name", out->faceName) || !ReadName(in, path, "texture name", out->textureName)) {
        return false;
    }
    if (out->textureName[0] == '\0') {
        LogMessage("KEFont::Load - '%s': the texture name is empty", path);
        return false;
    }
    unsigned char metrics[kMetricsBytes] = {};
    const size_t got = std::min(sizeof metrics, in->size - in->at);
    if (got > 0) std::memcpy(metrics, in->data + in->at, got);
    in->at += got;
    if (got < 4) {
        LogMessage("KEFont::Load - '%s': the cell size is missing", path);
        return false;
    }
    if (got < sizeof metrics) {
        LogMessage("KEFont::Load - '%s': the width table has %d of its %d bytes", path, static_cast<int>(got - 4),
                   static_cast<int>(sizeof metrics - 4));
        return false;
    }
    // A row taller than the whole sheet, or a glyph wider than it, cannot be in a 512 x 512
    // texture: such a file is not a font description.
    out->cellSize = LittleEndianInt(metrics);
    if (out->cellSize < 0 || out->cellSize > kSheetSize) {
        LogMessage("KEFont::Load - '%s': cell size %d is outside 0..%d", path, static_cast<int>(out->cellSize),
                   static_cast<int>(kSheetSize));
        return false;
    }
    for (int32_t c = 0; c < KEFont::kGlyphs; ++c) {
        const int32_t width = LittleEndianInt(metrics + 4 + 4 * c);
        if (width < 0 || width > kSheetSize) {
            LogMessage("KEFont::Load - '%s': the width of character %d, %d, is outside 0..%d", path,
                       static_cast<int>(c), static_cast<int>(width), static_cast<int>(kSheetSize));
            return false;
        }
        out->widths[c] = width;
    }
    return true;
}

// The texture is looked up beside the font file: the font's path up to and including its
// last separator ('/', or the system's own, '\\' on Windows), then the texture name. A
// path without one leaves the name as it is.
std::string TexturePath(const char* fontPath, const char* textureName) {
    const std::string path = fontPath;
    const char separators[] = {'/', static_cast<char>(std::filesystem::path::preferred_separator), '\0'};
    const size_t slash = path.find_last_of(separators);
    if (slash == std::string::npos) return textureName;
    return path.substr(0, slash + 1) + textureName;
}

}  // namespace

KEFont::KEFont() = default;

// The texture's GL name, if it has one, goes with the font; the context must still be current.
KEFont::~KEFont() { KETexture::FreeTexture(m_texture); }

bool KEFont::Load(const char* path) {
    if (!path) return false;
    // A description read before and unchanged since comes from the engine's cache; any other
    // is read from the file as far as it is used, opened as it always was.
    std::shared_ptr<const KEDataCache::Bytes> bytes =
        KEEngine::GetEngine()->GetDataCache().ReadFile(path, kMaxCachedBytes);
    if (!bytes) {
        FILE* file = std::fopen(KL::ResolveDataPath(path).c_str(), "rb");
        if (!file) return false;
        auto head = std::make_shared<KEDataCache::Bytes>(kDescriptionBytes);
        head->resize(std::fread(head->data(), 1, head->size(), file));
        std::fclose(file);
        bytes = std::move(head);
    }
    Input input{bytes->data(), bytes->size()};
    Description description;
    if (!ReadDescription(&input, path, &description)) return false;

    const std::string texturePath = TexturePath(path, description.textureName);
    if (texturePath.size() > static_cast<size_t>(KETexture::kMaxFileName)) {
        LogMessage("KEFont::Load - '%s': the texture path '%s' is longer than %d characters", path,
                   texturePath.c_str(), static_cast<int>(KETexture::kMaxFileName));
        return false;
    }
    // The stream's space first: without it the font could draw nothing, and a font that
    // was loaded before keeps its space (a second AllocateSpace reports and changes nothing).
    if (!m_stream) m_stream.reset(new KEVertexTextured());
    const bool hadSpace = m_stream->OwnsSpace();
    m_stream->AllocateSpace(kMaxVertices);
    if (!hadSpace && !m_stream->OwnsSpace()) return false;

    KETexture* texture = KETexture::NewTexture();
    if (!texture->SetFile(texturePath.c_str(), GL_RGBA)) {
        KETexture::FreeTexture(texture);
        return false;
    }
    std::printf("Face: %s\n", description.faceName);
    std::printf("Texture: %s\n", description.textureName);

    std::memcpy(m_faceName, description.faceName, sizeof m_faceName);
    m_cellSize = description.cellSize;
    float u = 0.0f;
    for (int32_t c = 0; c < kGlyphs; ++c) {
        const int32_t row = c / kGlyphsPerRow;
        Glyph& glyph = m_glyphs[c];
        glyph.left = u;
        glyph.top = static_cast<float>(m_cellSize * row) * kTexel;
        u += static_cast<float>(description.widths[c]) * kTexel;
        glyph.right = u;
        glyph.bottom = static_cast<float>(m_cellSize * (row + 1)) * kTexel;
        glyph.width = description.widths[c];
        if ((c + 1) % kGlyphsPerRow == 0) u = 0.0f;
    }

    // A reload keeps the material (an item queued this frame may still name it) and gives
    // its layer the new texture.
    KETexture::FreeTexture(m_texture);
    m_texture = texture;
    if (!m_material) {
        m_material.reset(new KEMaterial());
        // Glyph cells are drawn opaque with the texture's colours: no blending.
        m_material->AddTextureLayer(m_texture, GL_REPLACE, 0, 0, 0, 0);
    } else {
        m_material->SetTexture(0, m_texture);
    }
    MoveToVAR(m_stream.get());
    m_drawCall.primitive = GL_QUADS;
    m_drawCall.stream = m_stream.get();
    m_drawCall.indices = nullptr;
    m_drawCall.count = 0;
    return true;
}

void KEFont::DrawText(const char* text, int32_t x, int32_t y) {
    if (!m_material || !m_stream || !m_stream->OwnsSpace()) {
        if (!m_notLoadedReported) LogMessage("KEFont::DrawText - the font is not loaded; nothing is drawn");
        m_notLoadedReported = true;
        return;
    }
    if (!text) text = "";
    KERenderQueue* queue = KEEngine::GetEngine()->BeginItem(false, false);
    queue->ModelviewTransforms().Identity();
    KL::TransformList& projection = queue->ProjectionTransforms();
    projection.Identity();
    const float* viewport = queue->Viewport();
    projection.Ortho(0.0f, viewport[0], viewport[1], 0.0f, -1.0f, 2.0f);
    queue->RenderState().SetMaterial(m_material.get());
    queue->RenderState().SetDepthFunc(GL_ALWAYS);

    // The pen moves in 64 bits: 500 glyphs of up to 512 pixels may start anywhere.
    int64_t pen = x;
    const float top = static_cast<float>(y);
    const float bottom = static_cast<float>(static_cast<int64_t>(y) + m_cellSize);
    int32_t count = 0;
    for (; count < kMaxCharacters && text[count] != '\0'; ++count) {
        const Glyph& g = m_glyphs[static_cast<unsigned char>(text[count])];
        const float left = static_cast<float>(pen);
        pen += g.width;
        const float right = static_cast<float>(pen);
        const float corners[4][4] = {
            {left, top, g.left, g.top},
            {right, top, g.right, g.top},
            {right, bottom, g.right, g.bottom},
            {left, bottom, g.left, g.bottom},
        };
        for (int32_t i = 0; i < 4; ++i) {
            float* p = static_cast<float*>(m_stream->PositionPtr(4 * count + i));
            p[0] = corners[i][0];
            p[1] = corners[i][1];
            p[2] = 0.0f;
            float* t = static_cast<float*>(m_stream->TexCoordPtr(4 * count + i, 0));
            t[0] = corners[i][2];
            t[1] = corners[i][3];
        }
    }
    // The stream holds 500 characters; the rest of a longer text is cut.
    if (text[count] != '\0' && !m_cutReported) {
        LogMessage("KEFont::DrawText - text longer than %d characters is cut", static_cast<int>(kMaxCharacters));
        m_cutReported = true;
    }
    m_stream->SetDirty(true);
    m_drawCall.count = 4 * count;
    queue->Submit(m_drawCall);
}
