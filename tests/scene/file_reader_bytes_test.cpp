// The file reader on bytes in memory, as scenes come from the engine's data cache: every
// typed read, and BytesLeft after it, as from a file of the same bytes, whole or cut short.
#include "KLFile.h"

#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Every read in turn into a destination holding a marker, noted with what the destination
// holds afterwards and the bytes left.
std::string ReadEverything(FileReader& reader) {
    std::string notes;
    const auto note = [&](bool ok, const std::string& value) {
        notes += (ok ? "" : "failed ") + value + " " + std::to_string(reader.BytesLeft()) + "; ";
    };
    unsigned char byte = 0xA5;
    int32_t integer = 0x5A5A5A5A;
    char marker[] = "marker";
    char* text = marker;
    float real = -0.5f, ranged = -0.5f;
    uint32_t unsignedInt = 0xA5A5A5A5u;
    int16_t shortInt = 0x5A5A;
    uint16_t unsignedShort = 0xA5A5;
    bool ok = reader.ReadByte(&byte);
    note(ok, std::to_string(byte));
    ok = reader.ReadInt(&integer);
    note(ok, std::to_string(integer));
    ok = reader.ReadString(&text);
    note(ok, text);
    if (text != marker) delete[] text;
    ok = reader.ReadFloat(&real);
    note(ok, std::to_string(real));
    ok = reader.ReadRanged(&ranged, 10.0f, 20.0f);
    note(ok, std::to_string(ranged));
    ok = reader.ReadUInt(&unsignedInt);
    note(ok, std::to_string(unsignedInt));
    ok = reader.ReadShort(&shortInt);
    note(ok, std::to_string(shortInt));
    ok = reader.ReadUShort(&unsignedShort);
    note(ok, std::to_string(unsignedShort));
    return notes;
}

using FileReaderBytes = TempDirTest;

}  // namespace

TEST_F(FileReaderBytes, EveryReadOfWholeOrCutBytesGivesWhatTheFileGives) {
    // byte 7, int -2, string "abc", float 1, ranged at its top, uint, short, ushort.
    const Bytes all = {7,    0xFE, 0xFF, 0xFF, 0xFF, 3,    0,    0,    0,    'a',  'b',  'c', 0,
                       0,    0x80, 0x3F, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12, 0x00, 0x80, 0x34, 0x12};
    for (size_t size = 0; size <= all.size(); ++size) {
        const Bytes bytes(all.begin(), all.begin() + static_cast<long>(size));
        FileReader file;
        ASSERT_TRUE(file.Open(WriteBytes("cut.bin", bytes).c_str()));
        FileReader memory;
        ASSERT_TRUE(memory.OpenBytes(std::make_shared<const Bytes>(bytes)));
        EXPECT_EQ(memory.BytesLeft(), file.BytesLeft()) << size;
        EXPECT_EQ(ReadEverything(memory), ReadEverything(file)) << size;
    }
    FileReader memory;
    ASSERT_TRUE(memory.OpenBytes(std::make_shared<const Bytes>(all)));
    EXPECT_EQ(ReadEverything(memory),
              "7 25; -2 21; abc 14; 1.000000 10; 20.000000 8; 305419896 4; -32768 2; 4660 0; ");
}
