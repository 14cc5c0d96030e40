// Textures: naming, file resolution, BMP loading through the application and the upload.
// The PNG decoder lives in KETexture_png.cpp, the CPU mipmap chain in KEMipmap.cpp.
#include "KETexture.h"

#include "KEEngine.h"
#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLFile.h"
#include "KLLog.h"
#include "KLPath.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The decoders refuse larger sides: no texture of the show comes near, and it keeps every
// size of the chain well inside 32-bit arithmetic.
constexpr int32_t kMaxSide = 16384;

// Whether the file can be opened for reading, looked up case-blind like every data file.
// Folders, pipes and devices do not count: they hold no image, and a pipe would block.
bool FileOpens(const char* name) {
    const std::string path = KL::ResolveDataPath(name);
    FILE* file = KL::OpenRegularFile(path.c_str());
    if (!file) return false;
    std::fclose(file);
    return true;
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

void UploadLevel(int32_t level, int32_t width, int32_t height, const unsigned char* data, void* user) {
    const KETexture* texture = static_cast<const KETexture*>(user);
    glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(texture->GetInternalFormat()), width, height, 0,
                 texture->GetPixelFormat(), GL_UNSIGNED_BYTE, data);
}

}  // namespace

KETexture* KETexture::NewTexture() { return new KETexture(); }

void KETexture::FreeTexture(KETexture* texture) {
    if (!texture) return;
    texture->ReleaseTexture();
    delete texture;
}

KETexture::KETexture() = default;

// The GL texture is left alone here: the context may already be gone. FreeTexture
// deletes it first.
KETexture::~KETexture() = default;

bool KETexture::SetFile(const char* name, GLenum internalFormat) {
    const size_t length = name ? std::strlen(name) : 0;
    if (!name || length > static_cast<size_t>(kMaxFileName)) {
        LogError("Error cargando textura '%s'", name ? name : "(null)");
        return false;
    }
    std::memcpy(m_fileName, name, length + 1);
    m_internalFormat = internalFormat;
    // A new name is a new subject for the texture's reports.
    m_reported = 0;
    return true;
}

bool KETexture::LoadTexture() {
    bool reported = false;
    return Load(&reported);
}

bool KETexture::LoadTexture(KEMipmapBuilder& builder) {
    bool reported = false;
    return Load(&reported, &builder);
}

bool KETexture::Load(bool* reported, KEMipmapBuilder* builder) {
    if (m_loaded) return true;

    // A missing file stands for the PNG of the same stem (scenes name .bmp files that
    // were converted). The name field is never written outside its own characters: a
    // name too short to carry an extension cannot be rewritten.
    const size_t length = std::strlen(m_fileName);
    if (!FileOpens(m_fileName)) {
        if (length < 4) {
            Report(kReportLoad, (std::string("Error cargando textura '") + m_fileName + "'").c_str());
            *reported = true;
            return false;
        }
        std::memcpy(m_fileName + length - 4, ".png", 4);
    }
    if (length < 4) return false;

    char* extension = m_fileName + length - 4;
    for (int i = 0; i < 4; ++i) extension[i] = UpperAscii(extension[i]);

    // Whatever a failed earlier attempt left behind goes before decoding again.
    m_image.reset();
    const bool png = std::memcmp(extension, ".PNG", 4) == 0;
    if (!png && std::memcmp(extension, ".BMP", 4) != 0) return false;
    // The decoder runs only when the engine holds no image of the file as it is now.
    m_image = KEEngine::GetEngine()->GetDataCache().GetImage(m_fileName, [this, png](const char* file) {
        return png ? DecodePNG(file) : DecodeBMP(file);
    });
    if (!m_image) return false;
    m_width = m_image->width;
    m_height = m_image->height;
    m_pixelFormat = m_image->bitsPerPixel == 32 ? GL_RGBA : GL_RGB;
    const unsigned char* pixels = m_image->pixels.get();

    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0) {
        LogMessage("Texture '%s': no GL texture name (is a GL context current?)", m_fileName);
        ReleaseTexture();
        return false;
    }
    m_glName = name;
    glBindTexture(GL_TEXTURE_2D, m_glName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);

    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(m_internalFormat), m_width, m_height, 0, m_pixelFormat,
                 GL_UNSIGNED_BYTE, pixels);
    // The decoded layout decides the bytes per pixel, whatever the internal format asks.
    const int32_t bytesPerPixel = m_pixelFormat == GL_RGBA ? 4 : 3;
    const bool built = builder ? builder->Build(pixels, m_width, m_height, bytesPerPixel, UploadLevel, this)
                               : BuildMipmapChain(pixels, m_width, m_height, bytesPerPixel, UploadLevel, this);
    if (!built) {
        LogMessage("Texture '%s': out of memory for the mipmap chain", m_fileName);
        ReleaseTexture();
        return false;
    }
    m_loaded = 1;
    return true;
}

GLuint KETexture::GetGLName() {
    bool reported = false;
    if (!Load(&reported)) {
        // Once per call: a name the load has already refused with this report is not
        // reported again.
        if (!reported) Report(kReportLoad, (std::string("Error cargando textura '") + m_fileName + "'").c_str());
        return 0;
    }
    return m_glName;
}

void KETexture::ReleaseTexture() {
    if (m_glName != kNoGLName) {
        glDeleteTextures(1, &m_glName);
        m_glName = kNoGLName;
    }
    m_image.reset();
    // Without its GL texture the texture is no longer loaded: the next use loads it again
    // instead of handing out a deleted name.
    m_loaded = 0;
    m_width = 0;
    m_height = 0;
}

void KETexture::Report(uint32_t kind, const char* text) {
    if (m_reported & kind) {
        LogMessage("%s", text);
        return;
    }
    m_reported |= kind;
    LogError("%s", text);
}

std::shared_ptr<const KEDataCache::Image> KETexture::DecodeBMP(const char* name) {
    KL::Application* app = KLAbstractFactory<KL::Application>::GetInstance();
    if (!app) return nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = 0;
    unsigned char* pixels = nullptr;
    bool loaded = false;
    {
        // The application boxes every failure; after the first one for this texture its
        // report is only traced, since the texture is asked for every frame.
        KL::TraceOnlyErrors traceOnly((m_reported & kReportBitmap) != 0);
        loaded = app->LoadBitmapFile(name, &width, &height, &bits, &pixels);
    }
    if (!loaded) {
        m_reported |= kReportBitmap;
        delete[] pixels;
        return nullptr;
    }
    if (!pixels || width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        LogMessage("Bitmap %s: %dx%d is not a texture size", name, width, height);
        delete[] pixels;
        return nullptr;
    }
    // The application's bitmaps are always 24-bit RGB rows, whatever depth the file had.
    auto image = std::make_shared<KEDataCache::Image>();
    image->pixels.reset(pixels);
    image->width = width;
    image->height = height;
    image->bitsPerPixel = 24;
    return image;
}

void KETexture::DownsampleLevel(const unsigned char* source, int32_t W, int32_t H, int32_t n, unsigned char* out,
                                int32_t* w, int32_t* h) {
    KEMipmapBuilder::DownsampleLevel(source, W, H, n, out, w, h);
}

int32_t KETexture::MipmapLevelCount(int32_t width, int32_t height) {
    return KEMipmapBuilder::LevelCount(width, height);
}

bool KETexture::BuildMipmapChain(const unsigned char* pixels, int32_t W, int32_t H, int32_t n, LevelSink sink,
                                 void* user) {
    KEMipmapBuilder builder;
    return builder.Build(pixels, W, H, n, sink, user);
}
