#include "KLFile.h"
#include "PlatformTest.h"
#include "RecordingLog.h"

#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

class FileTest : public TempDirTest {
protected:

    std::string WriteFile(const std::string& name, const Bytes& bytes) const { return WriteBytes(name, bytes); }

    Bytes ReadFile(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Runs `write` on a fresh writer and returns the bytes it left in the file.
    template <class F>
    Bytes Written(F write) {
        const std::string path = PathOf("written.bin");
        {
            FileWriter writer;
            EXPECT_TRUE(writer.Open(path.c_str()));
            write(writer);
            EXPECT_TRUE(writer.Close());
        }
        return ReadFile(path);
    }

};

// A small record as a game object would store it.
struct Marker : KL::Serializable {
    int32_t id = 0;
    float weight = 0.0f;
    std::string label;

    bool Load(FileReader* reader) override {
        char* text = nullptr;
        if (!reader->ReadInt(&id) || !reader->ReadFloat(&weight) || !reader->ReadString(&text)) return false;
        label = text ? text : "";
        delete[] text;
        return true;
    }
    bool Save(FileWriter* writer) override {
        return writer->WriteInt(id) && writer->WriteFloat(weight) && writer->WriteString(label.c_str());
    }
};

// ---- exact encodings ----

TEST_F(FileTest, ValuesAreWrittenLittleEndian) {
    EXPECT_EQ(Written([](FileWriter& w) { EXPECT_TRUE(w.WriteString("abc")); }),
              (Bytes{0x03, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63}));
    EXPECT_EQ(Written([](FileWriter& w) { EXPECT_TRUE(w.WriteInt(-2)); }), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Written([](FileWriter& w) { EXPECT_TRUE(w.WriteFloat(1.0f)); }), (Bytes{0x00, 0x00, 0x80, 0x3F}));
    EXPECT_EQ(Written([](FileWriter& w) { EXPECT_TRUE(w.WriteFloat(-2.5f)); }), (Bytes{0x00, 0x00, 0x20, 0xC0}));
    EXPECT_EQ(Written([](FileWriter& w) { EXPECT_TRUE(w.WriteUInt(0x01020304u)); }),
              (Bytes{0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(Written([](FileWriter& w) { EXPECT_TRUE(w.WriteShort(-300)); }), (Bytes{0xD4, 0xFE}));
    EXPECT_EQ(Written([](FileWriter& w) { EXPECT_TRUE(w.WriteUShort(0xBEEF)); }), (Bytes{0xEF, 0xBE}));
    EXPECT_EQ(Written([](FileWriter& w) { EXPECT_TRUE(w.WriteByte(0x9C)); }), (Bytes{0x9C}));
    EXPECT_EQ(Written([](FileWriter& w) { EXPECT_TRUE(w.WriteString(nullptr)); }), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(Written([](FileWriter& w) { EXPECT_TRUE(w.WriteString("")); }), (Bytes{0, 0, 0, 0}));
}

TEST_F(FileTest, HandMadeBytesDecode) {
    const std::string path = WriteFile("in.bin", {0xFE, 0xFF, 0xFF, 0xFF,   // int -2
                                                   0x00, 0x00, 0x80, 0x3F,   // float 1.0
                                                   0x00, 0x00, 0x00, 0x80,   // uint 2^31
                                                   0x00, 0x80,               // short -32768
                                                   0xFF, 0xFF,               // ushort 65535
                                                   0xC8,                     // byte 200
                                                   0x02, 0x00, 0x00, 0x00, 'h', 'i'});
    FileReader reader;
    ASSERT_TRUE(reader.Open(path.c_str()));
    int32_t i = 0;
    float f = 0;
    uint32_t u = 0;
    int16_t s = 0;
    uint16_t us = 0;
    unsigned char b = 0;
    char* text = nullptr;
    EXPECT_TRUE(reader.ReadInt(&i));
    EXPECT_TRUE(reader.ReadFloat(&f));
    EXPECT_TRUE(reader.ReadUInt(&u));
    EXPECT_TRUE(reader.ReadShort(&s));
    EXPECT_TRUE(reader.ReadUShort(&us));
    EXPECT_TRUE(reader.ReadByte(&b));
    ASSERT_TRUE(reader.ReadString(&text));
    EXPECT_EQ(i, -2);
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(u, 2147483648u);
    EXPECT_EQ(s, -32768);
    EXPECT_EQ(us, 65535);
    EXPECT_EQ(b, 200);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "hi");
    delete[] text;
    EXPECT_EQ(reader.BytesLeft(), 0);
}

TEST_F(FileTest, EveryTypeRoundTrips) {
    const std::string path = PathOf("round.bin");
    const char kText[] = "Sky \xE9t\xE9\t";
    {
        FileWriter w;
        ASSERT_TRUE(w.Open(path.c_str()));
        EXPECT_TRUE(w.WriteByte(0));
        EXPECT_TRUE(w.WriteByte(255));
        EXPECT_TRUE(w.WriteInt(INT32_MIN));
        EXPECT_TRUE(w.WriteInt(INT32_MAX));
        EXPECT_TRUE(w.WriteUInt(0xFFFFFFFFu));
        EXPECT_TRUE(w.WriteShort(INT16_MIN));
        EXPECT_TRUE(w.WriteShort(-1));
        EXPECT_TRUE(w.WriteUShort(0x8001));
        EXPECT_TRUE(w.WriteFloat(-0.0f));
        EXPECT_TRUE(w.WriteFloat(1.0e-40f));  // subnormal
        EXPECT_TRUE(w.WriteFloat(3.25e38f));
        EXPECT_TRUE(w.WriteString(kText));
        EXPECT_TRUE(w.WriteRanged(0.25f, -1.0f, 1.0f));
    }
    FileReader r;
    ASSERT_TRUE(r.Open(path.c_str()));
    EXPECT_EQ(r.BytesLeft(), 2 + 4 * 3 + 2 * 3 + 4 * 3 + 4 + 8 + 2);
    unsigned char b0 = 1, b1 = 0;
    int32_t i0 = 0, i1 = 0;
    uint32_t u = 0;
    int16_t s0 = 0, s1 = 0;
    uint16_t us = 0;
    float f0 = 1, f1 = 0, f2 = 0, ranged = 0;
    char* text = nullptr;
    EXPECT_TRUE(r.ReadByte(&b0) && r.ReadByte(&b1));
    EXPECT_TRUE(r.ReadInt(&i0) && r.ReadInt(&i1));
    EXPECT_TRUE(r.ReadUInt(&u));
    EXPECT_TRUE(r.ReadShort(&s0) && r.ReadShort(&s1));
    EXPECT_TRUE(r.ReadUShort(&us));
    EXPECT_TRUE(r.ReadFloat(&f0) && r.ReadFloat(&f1) && r.ReadFloat(&f2));
    ASSERT_TRUE(r.ReadString(&text));
    EXPECT_TRUE(r.ReadRanged(&ranged, -1.0f, 1.0f));
    EXPECT_EQ(b0, 0);
    EXPECT_EQ(b1, 255);
    EXPECT_EQ(i0, INT32_MIN);
    EXPECT_EQ(i1, INT32_MAX);
    EXPECT_EQ(u, 0xFFFFFFFFu);
    EXPECT_EQ(s0, INT16_MIN);
    EXPECT_EQ(s1, -1);
    EXPECT_EQ(us, 0x8001);
    EXPECT_EQ(f0, 0.0f);
    EXPECT_TRUE(std::signbit(f0));
    EXPECT_EQ(f1, 1.0e-40f);
    EXPECT_EQ(f2, 3.25e38f);
    EXPECT_STREQ(text, kText);
    delete[] text;
    // 0.25 in [-1, 1] stores q = 40959 (of 65535): within one step of the value.
    EXPECT_NEAR(ranged, 0.25f, 2.0f / 65535.0f);
}

// ---- ranged floats ----

TEST_F(FileTest, WriteRangedStoresTheScaledPosition) {
    auto ranged = [this](float value, float min, float max) {
        return Written([&](FileWriter& w) { EXPECT_TRUE(w.WriteRanged(value, min, max)); });
    };
    EXPECT_EQ(ranged(5.0f, 5.0f, 5.0f), (Bytes{0x00, 0x00}));      // empty range
    EXPECT_EQ(ranged(-7.0f, 2.0f, 2.0f), (Bytes{0x00, 0x00}));
    EXPECT_EQ(ranged(10.25f, -3.5f, 10.25f), (Bytes{0xFF, 0xFF}));  // max
    EXPECT_EQ(ranged(-3.5f, -3.5f, 10.25f), (Bytes{0x00, 0x00}));   // min
    EXPECT_EQ(ranged(0.5f, 0.0f, 1.0f), (Bytes{0xFF, 0x7F}));       // 32767.5 truncates to 32767
    EXPECT_EQ(ranged(0.3f, 0.0f, 1.0f), (Bytes{0xCC, 0x4C}));       // 19660.5 truncates to 19660
    // (2^-16 + 2^-32) * 65535 = 1 - 2^-32: just under 1 in double precision (single
    // precision would round it up to 1).
    EXPECT_EQ(ranged(0x1.0001p-16f, 0.0f, 1.0f), (Bytes{0x00, 0x00}));
    // Below min the scaled number is negative and keeps its low 16 bits.
    EXPECT_EQ(ranged(-1.0f, 0.0f, 65535.0f), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(ranged(-2.5f, 0.0f, 65535.0f), (Bytes{0xFE, 0xFF}));  // truncates toward zero to -2
    EXPECT_EQ(ranged(-0.5f, 0.0f, 65535.0f), (Bytes{0x00, 0x00}));
    // Above max likewise wraps.
    EXPECT_EQ(ranged(65537.0f, 0.0f, 65535.0f), (Bytes{0x01, 0x00}));
    // Nothing meaningful to keep: stored as 0 rather than undefined.
    EXPECT_EQ(ranged(NAN, 0.0f, 1.0f), (Bytes{0x00, 0x00}));
    EXPECT_EQ(ranged(1.0e30f, 0.0f, 1.0f), (Bytes{0x00, 0x00}));
    EXPECT_EQ(ranged(-1.0e30f, 0.0f, 1.0f), (Bytes{0x00, 0x00}));
    EXPECT_EQ(ranged(INFINITY, 0.0f, 1.0f), (Bytes{0x00, 0x00}));
    EXPECT_EQ(ranged(0.5f, -INFINITY, INFINITY), (Bytes{0x00, 0x00}));
}

TEST_F(FileTest, WriteRangedWorksInDoublePrecision) {
    // Each of these is one step off when the differences are taken in single precision.
    struct Case {
        float value, min, max;
        uint16_t q;
    };
    const Case cases[] = {
        {50.5815811f, 4.04f, 137.0f, 22940},
        {6.38379669f, -96.5433121f, 35.4333649f, 51110},
        {1.06221771f, -76.8744583f, 80.6016541f, 32433},
        {21.5719604f, -79.0915298f, 79.699707f, 41544},
        {-22.0689163f, -96.3352127f, 65.5056915f, 30073},
        {13.8961716f, -49.8683739f, 26.1901855f, 54942},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const Bytes bytes = Written([&](FileWriter& w) { EXPECT_TRUE(w.WriteRanged(c.value, c.min, c.max)); });
        EXPECT_EQ(bytes, (Bytes{static_cast<unsigned char>(c.q & 0xFF), static_cast<unsigned char>(c.q >> 8)}));
    }
}

TEST_F(FileTest, ReadRangedMapsTheStoredPosition) {
    const std::string path = WriteFile("r.bin", {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0x34, 0x12, 0x07});
    FileReader r;
    ASSERT_TRUE(r.Open(path.c_str()));
    float v = 99.0f;
    ASSERT_TRUE(r.ReadRanged(&v, -2.0f, 6.0f));
    EXPECT_EQ(v, -2.0f);
    ASSERT_TRUE(r.ReadRanged(&v, -2.0f, 6.0f));
    EXPECT_NEAR(v, 6.0f, 1e-5f);
    ASSERT_TRUE(r.ReadRanged(&v, 0.0f, 65535.0f));  // q = 32768
    EXPECT_NEAR(v, 32768.0f, 0.01f);
    ASSERT_TRUE(r.ReadRanged(&v, 3.0f, 3.0f));  // any q in an empty range
    EXPECT_EQ(v, 3.0f);
    // One byte left: the read fails and the value stays.
    v = 42.0f;
    EXPECT_FALSE(r.ReadRanged(&v, 0.0f, 1.0f));
    EXPECT_EQ(v, 42.0f);
}

// ---- strings ----

TEST_F(FileTest, ReadStringLengthCases) {
    char sentinel[] = "untouched";
    char* const kSentinel = sentinel;

    // A refused length leaves the bytes after it unread.
    struct Case {
        const char* what;
        Bytes bytes;
        bool result;
        long left;
    } cases[] = {
        {"zero length", {0x00, 0x00, 0x00, 0x00, 'x'}, true, 1},
        {"negative length", {0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'}, false, 2},
        {"length past the end", {0x05, 0x00, 0x00, 0x00, 'a', 'b', 'c', 'd'}, false, 4},
        {"huge length", {0xFF, 0xFF, 0xFF, 0x7F, 'a'}, false, 1},
        {"length cut short", {0x01, 0x00}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = WriteFile("s.bin", c.bytes);
        FileReader r;
        ASSERT_TRUE(r.Open(path.c_str()));
        char* out = kSentinel;
        EXPECT_EQ(r.ReadString(&out), c.result);
        EXPECT_EQ(out, kSentinel);
        EXPECT_EQ(r.BytesLeft(), c.left);
    }

    // A length that uses up exactly the rest of the file is fine.
    const std::string path = WriteFile("s.bin", {0x03, 0x00, 0x00, 0x00, 'a', 'b', 'c'});
    FileReader r;
    ASSERT_TRUE(r.Open(path.c_str()));
    char* out = kSentinel;
    ASSERT_TRUE(r.ReadString(&out));
    ASSERT_NE(out, kSentinel);
    EXPECT_EQ(std::memcmp(out, "abc", 4), 0);  // terminator included
    delete[] out;
}

// ---- short files ----

TEST_F(FileTest, ReadsPastTheEndFailAndLeaveTheDestination) {
    const std::string empty = WriteFile("empty.bin", {});
    FileReader r;
    ASSERT_TRUE(r.Open(empty.c_str()));
    unsigned char b = 7;
    int32_t i = 7;
    uint32_t u = 7;
    int16_t s = 7;
    uint16_t us = 7;
    float f = 7.0f, ranged = 7.0f;
    char* text = nullptr;
    EXPECT_FALSE(r.ReadByte(&b));
    EXPECT_FALSE(r.ReadInt(&i));
    EXPECT_FALSE(r.ReadUInt(&u));
    EXPECT_FALSE(r.ReadShort(&s));
    EXPECT_FALSE(r.ReadUShort(&us));
    EXPECT_FALSE(r.ReadFloat(&f));
    EXPECT_FALSE(r.ReadRanged(&ranged, 0.0f, 1.0f));
    EXPECT_FALSE(r.ReadString(&text));
    EXPECT_EQ(b, 7);
    EXPECT_EQ(i, 7);
    EXPECT_EQ(u, 7u);
    EXPECT_EQ(s, 7);
    EXPECT_EQ(us, 7);
    EXPECT_EQ(f, 7.0f);
    EXPECT_EQ(ranged, 7.0f);
    EXPECT_EQ(text, nullptr);
}

TEST_F(FileTest, ValueCutShortIsNeverStored) {
    const std::string three = WriteFile("three.bin", {0x11, 0x22, 0x33});
    auto fresh = [&](FileReader& r) { ASSERT_TRUE(r.Open(three.c_str())); };
    {
        FileReader r;
        fresh(r);
        int32_t i = -5;
        EXPECT_FALSE(r.ReadInt(&i));
        EXPECT_EQ(i, -5);
    }
    {
        FileReader r;
        fresh(r);
        uint32_t u = 5;
        EXPECT_FALSE(r.ReadUInt(&u));
        EXPECT_EQ(u, 5u);
    }
    {
        FileReader r;
        fresh(r);
        float f = 5.0f;
        EXPECT_FALSE(r.ReadFloat(&f));
        EXPECT_EQ(f, 5.0f);
    }
    {
        // Two bytes read fine, the third alone is not a short.
        FileReader r;
        fresh(r);
        uint16_t us = 0;
        int16_t s = 9;
        EXPECT_EQ(r.BytesLeft(), 3);
        EXPECT_TRUE(r.ReadUShort(&us));
        EXPECT_EQ(us, 0x2211);
        EXPECT_EQ(r.BytesLeft(), 1);
        EXPECT_FALSE(r.ReadShort(&s));
        EXPECT_EQ(s, 9);
        EXPECT_EQ(r.BytesLeft(), 0);
    }
}

// ---- opening and closing ----

TEST_F(FileTest, FailedOpenReportsTheGivenNameAndReadsNothing) {
    RecordingLog log;
    const std::string missing = PathOf("Nowhere/Missing.bin");
    FileReader r;
    EXPECT_FALSE(r.Open(missing.c_str()));
    EXPECT_FALSE(r.IsOpen());
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"FAILED TO OPEN " + missing});
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"[ERROR: ]: FAILED TO OPEN " + missing});
    int32_t i = 3;
    unsigned char b = 3;
    EXPECT_FALSE(r.ReadInt(&i));
    EXPECT_FALSE(r.ReadByte(&b));
    EXPECT_EQ(i, 3);
    EXPECT_EQ(b, 3);
    EXPECT_EQ(r.BytesLeft(), 0);

    // A directory is no data file either.
    log.Clear();
    EXPECT_FALSE(r.Open(m_dir.string().c_str()));
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"FAILED TO OPEN " + m_dir.string()});
}

TEST_F(FileTest, PipesAndDevicesAreRefusedWithoutWaiting) {
    const std::string fifo = PathOf("fifo.bin");
    if (!MakeFilePipe(fifo)) GTEST_SKIP() << "no named pipes in this file system";
    RecordingLog log;
    for (const std::string& path : {fifo, std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        log.Clear();
        // Opened on a thread, so that a blocked open fails the test instead of hanging it.
        auto opened = std::async(std::launch::async, [&path] {
            FileReader r;
            return r.Open(path.c_str());
        });
        if (opened.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "Open blocked";
            ReleasePipeReader(fifo);  // lets it return
            opened.wait();
            continue;
        }
        EXPECT_FALSE(opened.get());
        EXPECT_EQ(log.Boxes(), std::vector<std::string>{"FAILED TO OPEN " + path});
    }
}

TEST_F(FileTest, ClosedAndUnopenedStreamsDoNothing) {
    FileReader never;
    int32_t i = 1;
    EXPECT_FALSE(never.IsOpen());
    EXPECT_FALSE(never.ReadInt(&i));
    EXPECT_TRUE(never.Close());
    EXPECT_EQ(i, 1);

    const std::string path = WriteFile("data.bin", {1, 0, 0, 0, 2, 0, 0, 0});
    FileReader r;
    ASSERT_TRUE(r.Open(path.c_str()));
    EXPECT_TRUE(r.IsOpen());
    EXPECT_TRUE(r.Close());
    EXPECT_FALSE(r.IsOpen());
    EXPECT_TRUE(r.Close());
    EXPECT_FALSE(r.ReadInt(&i));
    EXPECT_EQ(i, 1);

    FileWriter w;
    EXPECT_FALSE(w.IsOpen());
    EXPECT_FALSE(w.WriteByte(1));
    EXPECT_FALSE(w.WriteInt(1));
    EXPECT_FALSE(w.WriteString("x"));
    EXPECT_FALSE(w.WriteRanged(0.5f, 0.0f, 1.0f));
    EXPECT_TRUE(w.Close());
}

TEST_F(FileTest, ReopeningStartsOnTheNewFile) {
    const std::string first = WriteFile("first.bin", {0xAA, 0xBB});
    const std::string second = WriteFile("second.bin", {0x01, 0x02, 0x03});
    FileReader r;
    ASSERT_TRUE(r.Open(first.c_str()));
    unsigned char b = 0;
    EXPECT_TRUE(r.ReadByte(&b));
    ASSERT_TRUE(r.Open(second.c_str()));
    EXPECT_EQ(r.BytesLeft(), 3);
    EXPECT_TRUE(r.ReadByte(&b));
    EXPECT_EQ(b, 0x01);
    // A failed reopen leaves nothing open, not the previous file.
    {
        RecordingLog quiet;
        EXPECT_FALSE(r.Open(PathOf("gone.bin").c_str()));
    }
    EXPECT_FALSE(r.IsOpen());
    EXPECT_FALSE(r.ReadByte(&b));
    EXPECT_EQ(b, 0x01);

    // A writer reopened on another file leaves the first one complete.
    const std::string a = PathOf("a.out"), c = PathOf("c.out");
    FileWriter w;
    ASSERT_TRUE(w.Open(a.c_str()));
    EXPECT_TRUE(w.WriteUShort(0x0102));
    ASSERT_TRUE(w.Open(c.c_str()));
    EXPECT_TRUE(w.WriteByte(9));
    EXPECT_TRUE(w.Close());
    EXPECT_EQ(ReadFile(a), (Bytes{0x02, 0x01}));
    EXPECT_EQ(ReadFile(c), (Bytes{0x09}));
}

TEST_F(FileTest, WriterOpenFailureIsSilent) {
    RecordingLog log;
    FileWriter w;
    EXPECT_FALSE(w.Open(PathOf("no/such/dir/out.bin").c_str()));
    EXPECT_FALSE(w.Open(nullptr));
    EXPECT_FALSE(w.IsOpen());
    EXPECT_TRUE(log.Entries().empty());
}

// ---- serializable objects ----

TEST_F(FileTest, ObjectsSaveAndLoadThemselves) {
    FileWriter w;
    FileReader r;
    EXPECT_FALSE(w.WriteObject(nullptr));
    EXPECT_FALSE(r.ReadObject(nullptr));

    Marker saved;
    saved.id = 258;
    saved.weight = -2.5f;
    saved.label = "Zx";
    const std::string path = PathOf("marker.bin");
    ASSERT_TRUE(w.Open(path.c_str()));
    EXPECT_TRUE(w.WriteObject(&saved));
    EXPECT_TRUE(w.Close());
    EXPECT_EQ(ReadFile(path), (Bytes{0x02, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20, 0xC0, 0x02, 0x00, 0x00, 0x00, 'Z', 'x'}));

    Marker loaded;
    ASSERT_TRUE(r.Open(path.c_str()));
    EXPECT_TRUE(r.ReadObject(&loaded));
    EXPECT_EQ(loaded.id, 258);
    EXPECT_EQ(loaded.weight, -2.5f);
    EXPECT_EQ(loaded.label, "Zx");
    // Nothing left for a second record.
    EXPECT_FALSE(r.ReadObject(&loaded));
}

}  // namespace
