#include "platform/sdl/KLBitmapFileSDL.h"
#include "RecordingLog.h"

#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes* b, uint32_t v) {
    b->push_back(static_cast<unsigned char>(v & 0xFF));
    b->push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
void Put32(Bytes* b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// What goes into a test file. Rows are given in file order and byte order (blue first
// for 24 and 32 bits); the writer pads each to four bytes with a byte no pixel uses, so
// that padding read as pixels shows up.
struct BmpFile {
    int32_t width = 0;
    int32_t height = 0;  // negative: rows stored top to bottom
    uint16_t bpp = 24;
    uint32_t compression = 0;
    std::vector<uint32_t> palette;  // 0xRRGGBB
    std::vector<Bytes> rows;
    Bytes data;  // used as the pixel data when there are no rows (run-length files)
};

Bytes Encode(const BmpFile& f) {
    Bytes pixels = f.data;
    for (const Bytes& row : f.rows) {
        pixels.insert(pixels.end(), row.begin(), row.end());
        while (pixels.size() % 4 != 0) pixels.push_back(0xEE);
    }
    const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(f.palette.size());
    Bytes b = {'B', 'M'};
    Put32(&b, offset + static_cast<uint32_t>(pixels.size()));
    Put32(&b, 0);
    Put32(&b, offset);
    Put32(&b, 40);
    Put32(&b, static_cast<uint32_t>(f.width));
    Put32(&b, static_cast<uint32_t>(f.height));
    Put16(&b, 1);
    Put16(&b, f.bpp);
    Put32(&b, f.compression);
    Put32(&b, static_cast<uint32_t>(pixels.size()));
    Put32(&b, 2835);
    Put32(&b, 2835);
    Put32(&b, static_cast<uint32_t>(f.palette.size()));
    Put32(&b, 0);
    for (uint32_t c : f.palette) {
        b.push_back(static_cast<unsigned char>(c & 0xFF));
        b.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
        b.push_back(static_cast<unsigned char>((c >> 16) & 0xFF));
        b.push_back(0);
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

BmpFile Bmp(int32_t width, int32_t height, uint16_t bpp, std::vector<Bytes> rows,
            std::vector<uint32_t> palette = {}) {
    BmpFile f;
    f.width = width;
    f.height = height;
    f.bpp = bpp;
    f.rows = std::move(rows);
    f.palette = std::move(palette);
    return f;
}

BmpFile Rle8(int32_t width, int32_t height, std::vector<uint32_t> palette, Bytes data) {
    BmpFile f = Bmp(width, height, 8, {}, std::move(palette));
    f.compression = 1;
    f.data = std::move(data);
    return f;
}

// 3 x 2, bottom-up, 24 bits: every row carries three bytes of padding.
BmpFile ThreeByTwo() {
    return Bmp(3, 2, 24, {
        {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00},  // bottom: red, green, blue
        {0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x99, 0x88, 0x77},  // top
    });
}

const Bytes kThreeByTwoRgb = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99,
                              0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF};

unsigned char g_untouched[1];

struct Result {
    bool ok = false;
    int width = -7;
    int height = -7;
    int bpp = -7;
    unsigned char* pixels = g_untouched;
    Bytes rgb;
};

class BitmapFileTest : public TempDirTest {
protected:

    std::string Write(const std::string& name, const Bytes& bytes) const { return WriteBytes(name, bytes); }
    std::string Write(const std::string& name, const BmpFile& f) const { return Write(name, Encode(f)); }

    static Result Load(const std::string& path) {
        Result r;
        r.ok = _KL::LoadBitmapRGB(path.c_str(), &r.width, &r.height, &r.bpp, &r.pixels);
        if (r.ok) {
            r.rgb.assign(r.pixels, r.pixels + static_cast<size_t>(r.width) * r.height * 3);
            delete[] r.pixels;
        }
        return r;
    }

    // Loads a file that must be refused: one box naming the file, outputs as they were.
    static void ExpectRefused(const std::string& path) {
        SCOPED_TRACE(path);
        RecordingLog log;
        const Result r = Load(path);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.width, -7);
        EXPECT_EQ(r.height, -7);
        EXPECT_EQ(r.bpp, -7);
        EXPECT_EQ(r.pixels, g_untouched);
        EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Error cargando bitmap " + path});
    }

};

TEST_F(BitmapFileTest, TrueColourRowsComeOutTopFirstWithoutPadding) {
    RecordingLog log;
    Result r = Load(Write("bottom_up.bmp", ThreeByTwo()));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.width, 3);
    EXPECT_EQ(r.height, 2);
    EXPECT_EQ(r.bpp, 24);
    EXPECT_EQ(r.rgb, kThreeByTwoRgb);
    EXPECT_TRUE(log.Boxes().empty());

    // Stored top to bottom, two pixels a row (two bytes of padding).
    r = Load(Write("top_down.bmp", Bmp(2, -3, 24, {{0x03, 0x02, 0x01, 0x06, 0x05, 0x04},
                                                   {0x13, 0x12, 0x11, 0x16, 0x15, 0x14},
                                                   {0x23, 0x22, 0x21, 0x26, 0x25, 0x24}})));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.width, 2);
    EXPECT_EQ(r.height, 3);
    EXPECT_EQ(r.rgb, (Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x11, 0x12, 0x13,
                            0x14, 0x15, 0x16, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26}));

    // One pixel a row: one byte of padding.
    r = Load(Write("narrow.bmp", Bmp(1, 2, 24, {{0xC0, 0xB0, 0xA0}, {0x0C, 0x0B, 0x0A}})));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgb, (Bytes{0x0A, 0x0B, 0x0C, 0xA0, 0xB0, 0xC0}));
}

TEST_F(BitmapFileTest, OtherDepthsBecomeTrueColour) {
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x102030};

    Result r = Load(Write("eight.bmp", Bmp(3, 2, 8, {{3, 2, 1}, {0, 3, 2}}, palette)));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.bpp, 24);
    EXPECT_EQ(r.rgb, (Bytes{0x00, 0x00, 0x00, 0x10, 0x20, 0x30, 0x00, 0xFF, 0x00,
                            0x10, 0x20, 0x30, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00}));

    r = Load(Write("four.bmp", Bmp(3, 2, 4, {{0x12, 0x30}, {0x21, 0x00}}, palette)));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgb, (Bytes{0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00,
                            0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x10, 0x20, 0x30}));

    // Ten pixels a row spill into a second byte.
    r = Load(Write("one.bmp", Bmp(10, 1, 1, {{0xA1, 0x40}}, {0x0000FF, 0xFFFF00})));  // 1010 0001 01
    ASSERT_TRUE(r.ok);
    const Bytes y = {0xFF, 0xFF, 0x00};
    const Bytes b = {0x00, 0x00, 0xFF};
    Bytes expected;
    for (const Bytes* p : {&y, &b, &y, &b, &b, &b, &b, &y, &b, &y}) {
        expected.insert(expected.end(), p->begin(), p->end());
    }
    EXPECT_EQ(r.rgb, expected);

    // 32 bits, blue green red and an unused byte.
    r = Load(Write("thirty_two.bmp", Bmp(2, 1, 32, {{0x30, 0x20, 0x10, 0x00, 0x60, 0x50, 0x40, 0xFF}})));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgb, (Bytes{0x10, 0x20, 0x30, 0x40, 0x50, 0x60}));

    // 16 bits, 5 bits each for red, green and blue.
    r = Load(Write("sixteen.bmp", Bmp(3, 1, 16, {{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00}})));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgb, (Bytes{0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF}));

    // Run-length 8 bits: bottom row three of colour 1, top row two of 2 and one of 3.
    r = Load(Write("rle.bmp", Rle8(3, 2, palette, {3, 1, 0, 0, 2, 2, 1, 3, 0, 1})));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgb, (Bytes{0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x10, 0x20, 0x30,
                            0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00}));
}

TEST_F(BitmapFileTest, NamesAreMatchedIgnoringCase) {
    Write("Dir/Pic.BMP", ThreeByTwo());
    RecordingLog log;
    const Result r = Load((m_dir / "dir/pic.bmp").string());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgb, kThreeByTwoRgb);
    EXPECT_TRUE(log.Boxes().empty());
}

TEST_F(BitmapFileTest, FilesThatAreNotWholeBitmapsAreRefused) {
    const std::string text = "This is a note, not a picture.\n";
    ExpectRefused(Write("note.txt", Bytes(text.begin(), text.end())));
    ExpectRefused(Write("empty.bmp", Bytes()));
    ExpectRefused(Write("magic_only.bmp", Bytes{'B', 'M'}));
    ExpectRefused((m_dir / "missing.bmp").string());
    ExpectRefused(m_dir.string());  // a directory

    const Bytes whole = Encode(ThreeByTwo());
    ASSERT_EQ(whole.size(), 54u + 24u);
    ExpectRefused(Write("header_only.bmp", Bytes(whole.begin(), whole.begin() + 54)));
    ExpectRefused(Write("half_pixels.bmp", Bytes(whole.begin(), whole.begin() + 54 + 12)));
    ExpectRefused(Write("cut_in_header.bmp", Bytes(whole.begin(), whole.begin() + 30)));
    ExpectRefused(Write("one_byte_short.bmp", Bytes(whole.begin(), whole.end() - 1)));
    // Bits per pixel below eight: the rows are counted in bits, not pixels.
    // Forty pixels a row: five bytes, eight with padding.
    const Bytes mono = Encode(Bmp(40, 2, 1, {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}}, {0x000000, 0xFFFFFF}));
    ASSERT_TRUE(Load(Write("mono.bmp", mono)).ok);
    ExpectRefused(Write("mono_short.bmp", Bytes(mono.begin(), mono.end() - 3)));
}

TEST_F(BitmapFileTest, CorruptHeadersAreRefused) {
    const auto refusedWith = [this](const std::string& name, void (*change)(BmpFile*)) {
        BmpFile f = ThreeByTwo();
        change(&f);
        ExpectRefused(Write(name, f));
    };
    refusedWith("zero_width.bmp", [](BmpFile* f) { f->width = 0; });
    refusedWith("zero_height.bmp", [](BmpFile* f) { f->height = 0; });
    refusedWith("negative_width.bmp", [](BmpFile* f) { f->width = -3; });
    refusedWith("lowest_height.bmp", [](BmpFile* f) { f->height = INT32_MIN; });
    // Sizes far beyond any picture, with six pixels of data.
    refusedWith("huge.bmp", [](BmpFile* f) { f->width = f->height = 30000; });
    refusedWith("tall.bmp", [](BmpFile* f) { f->height = 2000000000; });
    refusedWith("seven_bits.bmp", [](BmpFile* f) { f->bpp = 7; });
    // JPEG inside: SDL would read it as raw pixels.
    refusedWith("jpeg.bmp", [](BmpFile* f) { f->compression = 4; });

    // Pixel data said to start inside the headers, or past the end of the file.
    Bytes bytes = Encode(ThreeByTwo());
    bytes[10] = 0;
    ExpectRefused(Write("offset_zero.bmp", bytes));
    bytes[10] = 200;
    ExpectRefused(Write("offset_past_end.bmp", bytes));
    // A header size that runs past the pixel data.
    bytes = Encode(ThreeByTwo());
    bytes[14] = 0xFF;
    bytes[17] = 0xFF;
    ExpectRefused(Write("header_size.bmp", bytes));

    // Run-length data that stops before the end of the picture.
    ExpectRefused(Write("rle_cut.bmp", Rle8(3, 2, {0x000000, 0xFFFFFF}, {3, 1})));
}

TEST_F(BitmapFileTest, PalettesMustBeInTheFileBeforeThePixels) {
    const std::vector<uint32_t> two = {0x000000, 0xFFFFFF};
    struct Case {
        const char* name;
        Bytes bytes;
    };
    // 1 bit, one row of eight pixels: the header's count 0 means all 2^bpp entries.
    BmpFile noPalette = Bmp(8, 1, 1, {{0xA5}});
    BmpFile tooMany = Bmp(8, 1, 1, {{0xA5}}, {0x000000, 0xFFFFFF, 0x123456});
    Bytes intoPalette = Encode(Bmp(3, 1, 8, {{0, 1, 1}}, two));
    intoPalette[10] = static_cast<unsigned char>(intoPalette[10] - 4);  // pixels start on entry 1
    Bytes cutPalette = Encode(Bmp(3, 1, 8, {{0, 1, 1}}, two));
    cutPalette.resize(14 + 40 + 6);  // half the palette, no pixels
    // OS/2 header: 3-byte entries, always 2^bpp of them; one row of eight 1-bit pixels.
    const auto core = [](const Bytes& palette) {
        Bytes b = {'B', 'M'};
        const uint32_t offset = 14 + 12 + static_cast<uint32_t>(palette.size());
        Put32(&b, offset + 4);
        Put32(&b, 0);
        Put32(&b, offset);
        Put32(&b, 12);
        for (uint32_t v : {8u, 1u, 1u, 1u}) Put16(&b, v);
        b.insert(b.end(), palette.begin(), palette.end());
        Put32(&b, 0xA5);
        return b;
    };
    const Bytes coreNoPalette = core({});
    const Case refused[] = {
        {"no_palette.bmp", Encode(noPalette)},
        {"more_than_2_colours.bmp", Encode(tooMany)},
        {"into_palette.bmp", intoPalette},
        {"cut_palette.bmp", cutPalette},
        {"core_no_palette.bmp", coreNoPalette},
    };
    for (const Case& c : refused) ExpectRefused(Write(c.name, c.bytes));

    // A palette shorter than the depth allows is fine.
    Result r = Load(Write("short_palette.bmp", Bmp(3, 1, 8, {{1, 0, 1}}, two)));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgb, (Bytes{0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF}));
    r = Load(Write("core_palette.bmp", core({0, 0, 0, 0xFF, 0xFF, 0xFF})));  // pixels right after it
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgb.size(), 8u * 3);
    EXPECT_EQ(r.rgb[0], 0xFF);  // 1010 0101
    EXPECT_EQ(r.rgb[3], 0x00);
}

TEST_F(BitmapFileTest, RunLengthImagesCannotOutgrowTheirData) {
    const std::vector<uint32_t> palette = {0x000000, 0xFFFFFF};
    // A kilobyte of runs that ends the image at once: 16384 x 16384 blank pixels.
    Bytes ended(1024, 0);
    ended[0] = 0;
    ended[1] = 1;
    ExpectRefused(Write("rle_huge.bmp", Rle8(16384, 16384, palette, ended)));
    // 6 bytes can describe 3 x 255 pixels at most.
    const Bytes runs = {255, 1, 255, 1, 0, 1};
    ExpectRefused(Write("rle_766.bmp", Rle8(766, 1, palette, runs)));

    const Result r = Load(Write("rle_510.bmp", Rle8(510, 1, palette, runs)));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgb, Bytes(510 * 3, 0xFF));
}

TEST_F(BitmapFileTest, PipesAreRefusedWithoutWaiting) {
    const std::string fifo = (m_dir / "pipe.bmp").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto loaded = std::async(std::launch::async, [&fifo] { ExpectRefused(fifo); });
    if (loaded.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "the loader blocked on a pipe";
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
    }
    loaded.wait();
}

TEST_F(BitmapFileTest, MissingArgumentsAreReported) {
    const std::string path = Write("fine.bmp", ThreeByTwo());
    RecordingLog log;
    int w = -7, h = -7, bpp = -7;
    unsigned char* pixels = g_untouched;
    EXPECT_FALSE(_KL::LoadBitmapRGB(nullptr, &w, &h, &bpp, &pixels));
    EXPECT_FALSE(_KL::LoadBitmapRGB(path.c_str(), &w, &h, &bpp, nullptr));
    EXPECT_EQ(w, -7);
    EXPECT_EQ(pixels, g_untouched);
    EXPECT_EQ(log.Boxes(),
              (std::vector<std::string>{"Error cargando bitmap (null)", "Error cargando bitmap " + path}));
}

}  // namespace
