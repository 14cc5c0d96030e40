// libFuzzer harness for the file reader's typed reads. The input is a list of reads and
// the file they read: the first byte says how many of the following bytes are reads, the
// rest is the file. Every read is checked against the bytes themselves: a read that fits
// returns the little-endian value, one that does not fails and leaves its destination
// alone, and BytesLeft follows the position.
#include "KLFile.h"
#include "FuzzInput.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

uint32_t Little(const uint8_t* p, size_t n) {
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Quiet();
    if (size == 0) return 0;
    const size_t readCount = data[0] < size - 1 ? data[0] : size - 1;
    const uint8_t* reads = data + 1;
    const uint8_t* file = reads + readCount;
    const size_t fileSize = size - 1 - readCount;
    const char* path = fuzz::AsFile(file, fileSize);
    if (!path) return 0;

    FileReader reader;
    Check(reader.Open(path));
    size_t pos = 0;
    for (size_t i = 0; i < readCount; ++i) {
        Check(reader.BytesLeft() == static_cast<long>(fileSize - pos));
        const uint8_t op = reads[i];
        const size_t widths[] = {1, 4, 2, 4, 4, 4, 2, 2, 0};
        const size_t kind = op % 9;
        if (kind == 8) {  // start again from the beginning
            Check(reader.Close() && !reader.IsOpen() && reader.BytesLeft() == 0);
            Check(reader.Open(path));
            pos = 0;
            continue;
        }
        const size_t n = widths[kind];
        const bool fits = pos + n <= fileSize;
        const uint32_t expected = fits ? Little(file + pos, n) : 0;
        const uint32_t sentinel = 0xA5A5A5A5u;
        bool ok = false;
        uint32_t got = sentinel;
        switch (kind) {
        case 0: {
            unsigned char v = 0xA5;
            ok = reader.ReadByte(&v);
            got = ok ? v : (v == 0xA5 ? sentinel : 0);
            break;
        }
        case 1: {
            int32_t v = static_cast<int32_t>(sentinel);
            ok = reader.ReadInt(&v);
            got = static_cast<uint32_t>(v);
            break;
        }
        case 2: {
            const float lo = -static_cast<float>(op), hi = static_cast<float>(op) * 3.0f;
            float v = 1234.5f;
            ok = reader.ReadRanged(&v, lo, hi);
            if (ok) {
                Check(v == lo + (hi - lo) * static_cast<float>(expected) * (1.0f / 65535.0f));
                got = expected;
            } else {
                Check(v == 1234.5f);
            }
            break;
        }
        case 3: {
            uint32_t v = sentinel;
            ok = reader.ReadUInt(&v);
            got = v;
            break;
        }
        case 4: {
            float v;
            std::memcpy(&v, &sentinel, 4);
            ok = reader.ReadFloat(&v);
            std::memcpy(&got, &v, 4);
            break;
        }
        case 5: {
            char* text = reinterpret_cast<char*>(const_cast<uint32_t*>(&sentinel));
            char* const before = text;
            ok = reader.ReadString(&text);
            const int32_t length = static_cast<int32_t>(expected);
            if (!fits) {
                Check(!ok && text == before);
                pos = fileSize;
                continue;
            }
            pos += 4;
            const bool body = length > 0 && static_cast<size_t>(length) <= fileSize - pos;
            Check(ok == (length == 0 || body));
            if (body) {
                Check(text != before && std::memcmp(text, file + pos, static_cast<size_t>(length)) == 0 &&
                      text[length] == '\0');
                delete[] text;
                pos += static_cast<size_t>(length);
            } else {
                Check(text == before);
            }
            continue;
        }
        case 6: {
            int16_t v = static_cast<int16_t>(0x5A5A);
            ok = reader.ReadShort(&v);
            got = ok ? static_cast<uint16_t>(v) : (v == 0x5A5A ? sentinel : 0);
            break;
        }
        default: {
            uint16_t v = 0x5A5A;
            ok = reader.ReadUShort(&v);
            got = ok ? v : (v == 0x5A5A ? sentinel : 0);
            break;
        }
        }
        Check(ok == fits);
        Check(got == (fits ? expected : sentinel));
        pos = fits ? pos + n : fileSize;
    }
    return 0;
}
