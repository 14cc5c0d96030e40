// The bitmap font: the glyph table a description gives, the quads and the item of a text,
// long texts cut, descriptions outside the format refused with nothing set up, the texture
// looked up beside the font, and the generated font drawn on a real GL context.
#include "GLTestContext.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KEFont.h"
#include "KEMaterial.h"
#include "KETexture.h"
#include "KEVertexLayouts.h"
#include "RecordingLog.h"
#include "ScopedInstance.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

void PutInt(std::vector<uint8_t>* out, size_t at, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    const uint8_t bytes[4] = {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
    std::memcpy(out->data() + at, bytes, sizeof bytes);
}

// A .KEF description with widths(c) for every code.
std::vector<uint8_t> Kef(const std::string& face, const std::string& texture, int32_t cell,
                         int32_t (*widths)(int) = [](int) { return 8; }) {
    std::vector<uint8_t> bytes(face.begin(), face.end());
    bytes.push_back(0);
    bytes.insert(bytes.end(), texture.begin(), texture.end());
    bytes.resize(bytes.size() + 1 + 4 * 257);
    const size_t at = face.size() + texture.size() + 2;
    PutInt(&bytes, at, cell);
    for (int c = 0; c < 256; ++c) PutInt(&bytes, at + 4 + 4 * static_cast<size_t>(c), widths(c));
    return bytes;
}
int32_t Ramp(int c) { return c % 16 + 1; }  // glyph j of a row starts at j(j+1)/2 pixels

// Draws through a local engine (the font submits to the singleton) with no GL: an empty
// extension table keeps the stream in system memory.
class FontTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        KEExtensions::SetInstance(&m_none);
        engine.GetQueue().SetViewport(640, 480);
    }
    void TearDown() override {
        KEExtensions::SetInstance(nullptr);
        TempDirTest::TearDown();
    }
    bool Load(KEFont* font, const std::vector<uint8_t>& bytes, const std::string& name = "font.KEF") {
        return font->Load(WriteBytes(name, bytes).c_str());
    }
    const float* At(const KEFont& font, int v, bool texture) {
        return static_cast<float*>(texture ? font.GetStream()->TexCoordPtr(v, 0) : font.GetStream()->PositionPtr(v));
    }
    KEEngine engine;
    ScopedInstance<KEEngine> own{&engine};
    RecordingLog log;
    KEExtensions m_none;
};

TEST_F(FontTest, GlyphRectanglesArePackedFromTheLeftOfRowsOfSixteen) {
    const struct {
        int32_t cell;
        bool ramp;
        int code;
        float left, right, top, bottom;  // in pixels of the 512 x 512 sheet
    } cases[] = {
        {32, false, 17, 32, 64, 32, 64},  {32, false, 255, 480, 512, 480, 512}, {20, true, 0, 0, 1, 0, 20},
        {20, true, 17, 1, 3, 20, 40},     {20, true, 47, 120, 136, 40, 60},     {20, true, 240, 0, 1, 300, 320},
    };
    for (const auto& c : cases) {
        KEFont font;
        ASSERT_TRUE(Load(&font, Kef("Face", "glyphs.png", c.cell, c.ramp ? &Ramp : +[](int) { return 32; })));
        const KEFont::Glyph& g = font.GetGlyph(c.code);
        EXPECT_EQ((std::vector<float>{c.left, c.right, c.top, c.bottom}),
                  (std::vector<float>{g.left * 512, g.right * 512, g.top * 512, g.bottom * 512}))
            << "code " << c.code;
        EXPECT_EQ(c.ramp ? c.code % 16 + 1 : 32, g.width);
        for (int code = 16; code <= 240; code += 16) EXPECT_EQ(0.0f, font.GetGlyph(code).left) << code;
    }
}

TEST_F(FontTest, TextIsOneScreenSpaceItemWithAQuadPerByteOfItsOwnGlyph) {
    KEFont font;
    ASSERT_TRUE(Load(&font, Kef("Face", "glyphs.png", 16, [](int c) { return c == 1 ? 9 : c == 2 ? 8 : Ramp(c); })));
    const struct {
        const char* text;
        int32_t x, y;
        std::vector<int> codes;
        std::vector<float> starts;  // left edge of each quad
    } cases[] = {
        {"\x01\x02", 10, 20, {1, 2}, {10, 19}},
        {"\x80\xff\x8f", -5, 7, {128, 255, 143}, {-5, -4, 12}},
        {"", 3, 4, {}, {}},
    };
    for (const auto& c : cases) {
        engine.GetQueue().Clear();
        font.GetStream()->SetDirty(false);
        font.DrawText(c.text, c.x, c.y);
        ASSERT_EQ(1, engine.GetQueue().GetCount());
        // One screen-space item over everything: y down from the viewport's top-left corner.
        const KERenderItem& item = engine.GetQueue().GetItem(0);
        EXPECT_FALSE(item.loadCameraModelview || item.loadCameraProjection);
        ASSERT_TRUE(item.modelview.GetCount() == 1 && item.projection.GetCount() == 2);
        EXPECT_TRUE(item.modelview.GetStep(0).kind == KL::TransformStep::kIdentity &&
                    item.projection.GetStep(0).kind == KL::TransformStep::kIdentity &&
                    item.projection.GetStep(1).kind == KL::TransformStep::kOrtho);
        const KL::TransformStep volume = item.projection.GetStep(1);
        const float* ortho = volume.values;
        EXPECT_EQ((std::vector<float>{0, 640, 480, 0, -1, 2}), std::vector<float>(ortho, ortho + 6));
        EXPECT_TRUE(item.state.depthFunc == GL_ALWAYS && item.state.depthWrite && item.state.cull);
        EXPECT_TRUE(item.state.material == font.GetMaterial() && font.GetMaterial()->GetLayerCount() == 1 &&
                    font.GetMaterial()->GetTexture(0) == font.GetTexture());
        EXPECT_TRUE(font.GetStream()->IsDirty());
        const KEDrawCall& call = item.drawCall;
        EXPECT_TRUE(call.primitive == GL_QUADS && call.stream == font.GetStream() && !call.indices);
        ASSERT_EQ(static_cast<int32_t>(4 * c.codes.size()), call.count);
        for (size_t k = 0; k < c.codes.size(); ++k) {
            const KEFont::Glyph& g = font.GetGlyph(c.codes[k]);
            const float x0 = c.starts[k], x1 = x0 + static_cast<float>(g.width), y0 = c.y, y1 = c.y + 16.0f;
            const float want[4][4] = {{x0, y0, g.left, g.top},
                                      {x1, y0, g.right, g.top},
                                      {x1, y1, g.right, g.bottom},
                                      {x0, y1, g.left, g.bottom}};
            for (int i = 0; i < 4; ++i) {
                const int v = static_cast<int>(4 * k) + i;
                EXPECT_EQ((std::vector<float>{want[i][0], want[i][1], 0, want[i][2], want[i][3]}),
                          (std::vector<float>{At(font, v, false)[0], At(font, v, false)[1], At(font, v, false)[2],
                                              At(font, v, true)[0], At(font, v, true)[1]}))
                    << "character " << k << " corner " << i;
            }
        }
    }
}

TEST_F(FontTest, TextLongerThanTheStreamIsCutAtFiveHundredCharacters) {
    KEFont font;
    ASSERT_TRUE(Load(&font, Kef("Face", "glyphs.png", 16)));
    for (size_t length : {499u, 500u, 501u, 5000u}) {
        engine.GetQueue().Clear();
        font.DrawText(std::string(length, 'A').c_str(), 0, 0);
        const int32_t drawn = static_cast<int32_t>(std::min<size_t>(length, 500));
        EXPECT_EQ(4 * drawn, engine.GetQueue().GetItem(0).drawCall.count) << length;
        EXPECT_EQ(8.0f * static_cast<float>(drawn), At(font, 4 * drawn - 2, false)[0]) << length;
    }
    EXPECT_TRUE(log.Contains("text longer than 500 characters is cut"));
}

TEST_F(FontTest, DescriptionsOutsideTheFormatAreRefusedWithNothingSetUp) {
    const std::vector<uint8_t> good = Kef("Face", "glyphs.png", 16);  // the cell size at byte 16
    auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)); };
    auto with = [&](size_t at, int32_t v) {
        std::vector<uint8_t> bytes = good;
        PutInt(&bytes, at, v);
        return bytes;
    };
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* trace;
    } cases[] = {
        {"empty", {}, "the face name runs past the end of the file"},
        {"face name without its NUL", cut(4), "the face name runs past the end of the file"},
        {"texture name without its NUL", cut(15), "the texture name runs past the end of the file"},
        {"no cell size", cut(16), "the cell size is missing"},
        {"half a cell size", cut(18), "the cell size is missing"},
        {"a width byte short", cut(16 + 4 + 1023), "the width table has 1023 of its 1024 bytes"},
        {"256-character face name", Kef(std::string(256, 'F'), "g.png", 16), "face name is longer than 255"},
        {"256-character texture name", Kef("Face", std::string(256, 't'), 16), "texture name is longer than 255"},
        {"empty texture name", Kef("Face", "", 16), "the texture name is empty"},
        {"negative cell size", with(16, -1), "cell size -1 is outside 0..512"},
        {"cell size past the sheet", with(16, 513), "cell size 513 is outside 0..512"},
        {"negative width", with(20 + 4 * 65, -3), "the width of character 65, -3, is outside"},
        {"absurd width", with(20 + 4 * 255, 1 << 30), "the width of character 255, 1073741824, is outside"},
        {"texture path past the texture's name field", Kef("Face", std::string(255, 't'), 16), "the texture path"},
    };
    for (const auto& c : cases) {
        log.Clear();
        KEFont font;
        EXPECT_FALSE(Load(&font, c.bytes)) << c.what;
        EXPECT_TRUE(log.Contains(c.trace) && log.Contains(PathOf("font.KEF"))) << c.what;
        EXPECT_TRUE(!font.GetTexture() && !font.GetMaterial() && font.GetCellSize() == 0) << c.what;
        EXPECT_TRUE(!font.GetStream() || !font.GetStream()->OwnsSpace()) << c.what;
        font.DrawText("nothing", 0, 0);
        EXPECT_EQ(0, engine.GetQueue().GetCount()) << c.what;
    }
    // A missing file says nothing; a refused reload keeps what the font had.
    log.Clear();
    KEFont font;
    EXPECT_FALSE(font.Load(PathOf("missing.KEF").c_str()));
    EXPECT_TRUE(log.Lines().empty());
    ASSERT_TRUE(Load(&font, Kef(std::string(255, 'F'), "g.png", 512, [](int) { return 512; })));
    KETexture* texture = font.GetTexture();
    EXPECT_FALSE(Load(&font, cut(100), "bad.KEF"));
    EXPECT_TRUE(font.GetTexture() == texture && font.GetCellSize() == 512 && font.GetGlyph(3).width == 512);
    // A good reload names a new texture in the same material and keeps the stream's space.
    const KEVertexTextured* stream = font.GetStream();
    const KEMaterial* material = font.GetMaterial();
    ASSERT_TRUE(Load(&font, good, "good.KEF"));
    EXPECT_TRUE(font.GetStream() == stream && font.GetMaterial() == material && font.GetCellSize() == 16);
    EXPECT_EQ(PathOf("glyphs.png"), font.GetMaterial()->GetTexture(0)->GetFileName());
    EXPECT_TRUE(log.Contains("KEVertex::AllocateSpace - Space already allocated"));
}

TEST_F(FontTest, TextureIsLookedUpBesideTheFontFile) {
    // In the test's folder until the end of the test, however it ends.
    struct InFolder {
        explicit InFolder(const std::filesystem::path& dir) { std::filesystem::current_path(dir); }
        ~InFolder() { std::filesystem::current_path(previous); }
        std::filesystem::path previous = std::filesystem::current_path();
    } inFolder(m_dir);
    WriteBytes("Fonts/Sub/Font.KEF", Kef("Face", "glyphs.png", 16));
    WriteBytes("font.KEF", Kef("Face", "glyphs.png", 16));
    const struct {
        std::string path, texture;
    } cases[] = {
        {"font.KEF", "glyphs.png"},  // no '/': the working folder
        {"Fonts/Sub/Font.KEF", "Fonts/Sub/glyphs.png"},
        {"fonts/sub/FONT.kef", "fonts/sub/glyphs.png"},  // found case-blind, named as asked
        {PathOf("Fonts/Sub/Font.KEF"), PathOf("Fonts/Sub/glyphs.png")},
    };
    for (const auto& c : cases) {
        KEFont font;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(font.Load(c.path.c_str())) << c.path;
        EXPECT_EQ("Face: Face\nTexture: glyphs.png\n", testing::internal::GetCapturedStdout());
        ASSERT_TRUE(font.GetTexture()) << c.path;
        EXPECT_EQ(c.texture, font.GetTexture()->GetFileName());
        EXPECT_EQ(static_cast<GLenum>(GL_RGBA), font.GetTexture()->GetInternalFormat());
    }
}

// The font the build generates, checked against its own files: the description read here
// byte by byte, the sheet decoded here with libpng. Each glyph's ink lies in the rectangle
// its widths give, and the reader maps exactly those rectangles.
TEST_F(FontTest, GeneratedSheetHoldsEachGlyphInTheRectangleItsDescriptionGives) {
    const std::string folder = MARLO_DATA_DIR "/Files/Fonts/";
    std::ifstream in(folder + "Tahoma.KEF", std::ios::binary);
    const std::vector<uint8_t> kef{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto faceEnd = std::find(kef.begin(), kef.end(), 0);
    ASSERT_TRUE(faceEnd != kef.end());
    const auto textureEnd = std::find(faceEnd + 1, kef.end(), 0);
    ASSERT_EQ(kef.end() - textureEnd, 1 + 4 * 257);
    const auto int32At = [&](long at) {
        const auto b = textureEnd + 1 + at;
        return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | uint32_t{b[3]} << 24);
    };
    const int32_t cell = int32At(0);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    const std::string texture(faceEnd + 1, textureEnd);
    ASSERT_TRUE(png_image_begin_read_from_file(&image, (folder + texture).c_str())) << texture;
    image.format = PNG_FORMAT_GRAY;  // the coverage
    std::vector<uint8_t> sheet(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, sheet.data(), 0, nullptr));
    ASSERT_TRUE(image.width == 512 && image.height == 512 && cell > 0 && 16 * cell <= 512);
    const auto inkIn = [&](int x0, int x1, int y0, int y1) {  // covered pixels of [x0, x1) x [y0, y1)
        int n = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = std::max(x0, 0); x < std::min(x1, 512); ++x) n += sheet[static_cast<size_t>(y * 512 + x)] != 0;
        }
        return n;
    };

    KEFont font;
    ASSERT_TRUE(font.Load((folder + "Tahoma.KEF").c_str()));
    int left[256] = {};
    for (int row = 0; row < 16; ++row) {
        int x = 0;
        for (int c = row * 16; c < row * 16 + 16; ++c) {
            left[c] = x;
            x += int32At(4 + 4 * c);
            const KEFont::Glyph& g = font.GetGlyph(c);
            const float top = static_cast<float>(row * cell), bottom = static_cast<float>((row + 1) * cell);
            EXPECT_EQ((std::vector<float>{left[c] / 512.0f, x / 512.0f, top / 512, bottom / 512}),
                      (std::vector<float>{g.left, g.right, g.top, g.bottom}))
                << "code " << c;
            EXPECT_EQ(x - left[c], g.width) << "code " << c;
        }
        EXPECT_EQ(0, inkIn(x, 512, row * cell, (row + 1) * cell)) << "past the last glyph of row " << row;
    }
    // Glyphs whose ink, and their neighbours', keeps clear of the walls between them: ink
    // inside, none in the columns on either side of each wall; the blank ones have none.
    const struct {
        int code;
        bool inked;
    } cases[] = {{'!', true}, {'1', true}, {':', true},  {'H', true},
                 {'m', true}, {'|', true}, {' ', false}, {0xA0, false}};
    for (const auto& c : cases) {
        const int x0 = left[c.code], x1 = x0 + font.GetGlyph(c.code).width, y0 = c.code / 16 * cell, y1 = y0 + cell;
        ASSERT_GT(x1, x0) << c.code;
        EXPECT_EQ(c.inked, inkIn(x0 + 1, x1 - 1, y0, y1) > 0) << c.code;
        EXPECT_EQ(0, inkIn(x0 - 1, x0 + 1, y0, y1) + inkIn(x1 - 1, x1 + 1, y0, y1)) << c.code;
    }
}

// A real engine on a headless GL context, 160 by 64 pixels.
class FontOnScreen : public ::testing::Test {
protected:
    static constexpr int kWidth = 160, kHeight = 64;
    void SetUp() override {
        ASSERT_TRUE(gl.Ready());
        KEExtensions::SetInstance(nullptr);
        gl.Window()->AddListener(&engine);
        ASSERT_TRUE(engine.IsReady());
        engine.GetLighting()->DisablePresent();
    }
    void TearDown() override {
        font.reset();  // its texture goes while the context is still there
        engine.OnClose();
        KEExtensions::SetInstance(nullptr);
    }
    // RGB of pixel (x, y), y counted from the top.
    const uint8_t* At(int x, int y) const { return &screen[((kHeight - 1 - y) * kWidth + x) * 4]; }

    GLTestContext gl{kWidth, kHeight};
    KEEngine engine;
    ScopedInstance<KEEngine> own{&engine};
    std::unique_ptr<KEFont> font{new KEFont()};
    std::vector<uint8_t> screen = std::vector<uint8_t>(kWidth * kHeight * 4);
};

// Every pixel of the text's quads shows the texel of the glyph sheet that DrawText mapped
// onto it (1:1, so exactly); every pixel outside them shows the clear colour.
TEST_F(FontOnScreen, GeneratedFontDrawsMarloWhereItsQuadsLie) {
    ASSERT_TRUE(font->Load(MARLO_DATA_DIR "/Files/Fonts/Tahoma.KEF"));
    EXPECT_STREQ("DejaVu Sans", font->GetFaceName());
    ASSERT_EQ(32, font->GetCellSize());
    const char* text = "Marlo";
    const int x = 20, y = 16;
    font->DrawText(text, x, y);  // replayed by the frame
    ASSERT_TRUE(engine.RenderFrame());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, screen.data());
    const uint8_t* sheet = font->GetTexture()->GetPixels();
    ASSERT_TRUE(sheet && font->GetTexture()->GetWidth() == 512);

    int x0 = x;
    for (const char* p = text; *p; ++p) {
        const KEFont::Glyph& g = font->GetGlyph(*p);
        const int u0 = static_cast<int>(g.left * 512), v0 = static_cast<int>(g.top * 512);
        int bright = 0;
        for (int py = y; py < y + 32; ++py) {
            for (int px = x0; px < x0 + g.width; ++px) {
                const uint8_t* want = &sheet[((v0 + py - y) * 512 + u0 + px - x0) * 4];
                for (int ch = 0; ch < 3; ++ch) ASSERT_NEAR(want[ch], At(px, py)[ch], 2) << *p << " " << px << "," << py;
                bright += At(px, py)[0] > 200;
            }
        }
        EXPECT_GT(bright, 5) << *p;
        x0 += g.width;
    }
    // Outside the text's box: the clear colour (0.3, 0.3, 0.6) only.
    for (int py = 0; py < kHeight; ++py) {
        for (int px = 0; px < kWidth; ++px) {
            if (px >= x && px < x0 && py >= y && py < y + 32) continue;
            const uint8_t* got = At(px, py);
            ASSERT_TRUE(std::abs(got[0] - 77) <= 1 && std::abs(got[1] - 77) <= 1 && std::abs(got[2] - 153) <= 1)
                << px << "," << py;
        }
    }
}

}  // namespace
