// The engine's data cache: which changes to a file make it read again, which files it does
// not hold, and a font and its glyph sheet loaded again from unchanged files without the disk.
#include "KEDataCache.h"

#include "GLTestContext.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KEFont.h"
#include "KETexture.h"
#include "ScopedInstance.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Dates the file back: the cache keeps only files whose time was in the past when read.
void Settle(const std::string& path, int hoursAgo) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
}

// Zeroes the file keeping its size and time, which the cache cannot see: from then on only
// a load that does not read the disk still gets what the file held.
void Blank(const std::string& path) {
    const fs::file_time_type time = fs::last_write_time(path);
    const std::string zeros(fs::file_size(path), '\0');
    std::ofstream(path, std::ios::binary) << zeros;
    fs::last_write_time(path, time);
}

// A 1 x 1 RGB PNG, without colour-space chunks (the decoder would apply their gamma).
Bytes Png(uint8_t r, uint8_t g, uint8_t b) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = 1;
    image.format = PNG_FORMAT_RGB;
    image.flags = PNG_IMAGE_FLAG_COLORSPACE_NOT_sRGB;
    const uint8_t pixel[3] = {r, g, b};
    Bytes out(1024);
    png_alloc_size_t size = out.size();
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, pixel, 0, nullptr));
    out.resize(size);
    return out;
}

using DataCache = TempDirTest;

// Textures and fonts on a GL context, through an engine of the test's own: its cache
// starts empty.
class CachedLoads : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        ASSERT_TRUE(gl.Ready());
        KEExtensions::SetInstance(nullptr);
    }
    void TearDown() override {
        KEExtensions::SetInstance(nullptr);
        TempDirTest::TearDown();
    }
    GLTestContext gl;
    KEEngine engine;
    ScopedInstance<KEEngine> own{&engine};
};

}  // namespace

TEST_F(DataCache, AFileIsReadAgainExactlyWhenItChangedOrWasWrittenJustNow) {
    const struct {
        const char* what;
        bool settled;  // the first version is old when first read
        std::function<void(const std::string&)> change;
        int reads;           // after the second lookup
        const char* second;  // what it gives; null: nothing
    } cases[] = {
        {"unchanged", true, [](const std::string&) {}, 1, "old!"},
        {"grown, time put back", true,
         [&](const std::string& p) {
             const fs::file_time_type time = fs::last_write_time(p);
             WriteBytes("f", Text("longer"));
             fs::last_write_time(p, time);
         },
         2, "longer"},
        {"replaced by rename", true,
         [&](const std::string& p) {
             const std::string next = WriteBytes("next", Text("repl"));
             Settle(next, 3);
             fs::rename(next, p);
         },
         2, "repl"},
        {"removed", true, [](const std::string& p) { fs::remove(p); }, 1, nullptr},
        // File times count in steps: a rewrite in the step of the first write keeps its time.
        {"young, rewritten at the same size and time", false,
         [&](const std::string& p) {
             const fs::file_time_type time = fs::last_write_time(p);
             WriteBytes("f", Text("new!"));
             fs::last_write_time(p, time);
         },
         2, "new!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KEDataCache cache;
        const std::string path = WriteBytes("f", Text("old!"));
        if (c.settled) Settle(path, 2);
        const auto first = cache.ReadFile(path.c_str());
        ASSERT_TRUE(first);
        c.change(path);
        const auto second = cache.ReadFile(path.c_str());
        EXPECT_EQ(cache.GetDiskReads(path.c_str()), c.reads);
        const std::string got = second ? std::string(second->begin(), second->end()) : "(nothing)";
        EXPECT_EQ(got, c.second ? c.second : "(nothing)");
        EXPECT_EQ(*first, Text("old!"));  // what was handed out stays as it was
        fs::remove(path);
    }
}

TEST_F(DataCache, OnlyWholeRegularFilesWithinTheLimitAreHeldOnePerResolvedName) {
    KEDataCache cache;
    fs::create_directories(m_dir / "folder");
    const std::string big = WriteBytes("big", Bytes(11, 7));
    const std::string data = WriteBytes("Data.bin", Text("abc"));
    Settle(data, 2);
    EXPECT_FALSE(cache.ReadFile(PathOf("folder").c_str()));
    EXPECT_FALSE(cache.ReadFile(PathOf("missing").c_str()));
    EXPECT_FALSE(cache.ReadFile(big.c_str(), 10));  // left to the caller's own reading
    EXPECT_EQ(cache.GetDiskReads(big.c_str()), 0);
    EXPECT_TRUE(cache.ReadFile(big.c_str(), 11));

    ASSERT_TRUE(cache.ReadFile(data.c_str()));
    Blank(data);
    // Other spellings resolve to the one file where names are matched case-blind by the
    // search; where the file system does it itself (Windows), each spelling is its own entry.
    const bool searched = !fs::exists(PathOf("DATA.BIN"));
    for (const char* name : {"data.BIN", "DATA.bin"}) {
        if (!searched) break;
        const auto bytes = cache.ReadFile(PathOf(name).c_str());
        EXPECT_TRUE(bytes && *bytes == Text("abc")) << name;
    }
    EXPECT_EQ(cache.GetDiskReads(data.c_str()), 1);
}

// A show built again loads its fonts (and textures) again.
TEST_F(CachedLoads, AFontAndItsSheetLoadedAgainFromUnchangedFilesReadNeither) {
    const std::string sheet = WriteBytes("sheet.png", Png(3, 2, 1));
    Bytes kef = Text(std::string("Face\0sheet.png\0", 15));
    kef.resize(kef.size() + 4 * 257);  // the cell size and every width, all 0 ...
    kef[15] = 16;                      // ... but the cell size, 16
    const std::string font = WriteBytes("font.KEF", kef);
    Settle(sheet, 2);
    Settle(font, 2);
    const auto sheetPixel = [](const KEFont& face) {
        KETexture* texture = face.GetTexture();
        return texture->GetGLName() ? Bytes(texture->GetPixels(), texture->GetPixels() + 3) : Bytes();
    };
    for (const char* round : {"first load", "again, the files blanked unseen"}) {
        SCOPED_TRACE(round);
        KEFont face;
        ASSERT_TRUE(face.Load(font.c_str()));
        EXPECT_EQ(face.GetCellSize(), 16);
        EXPECT_EQ(sheetPixel(face), (Bytes{3, 2, 1}));
        // The texture asks for its file with the extension in capitals.
        const std::string sheetAsAsked = sheet.substr(0, sheet.size() - 4) + ".PNG";
        for (const std::string& path : {sheetAsAsked, font}) {
            EXPECT_EQ(engine.GetDataCache().GetDiskReads(path.c_str()), 1) << path;
        }
        Blank(sheet);
        Blank(font);
    }
    // The sheet written anew: decoded again, as it is now.
    WriteBytes("sheet.png", Png(7, 8, 9));
    Settle(sheet, 1);
    KEFont face;
    ASSERT_TRUE(face.Load(font.c_str()));
    EXPECT_EQ(sheetPixel(face), (Bytes{7, 8, 9}));
}
