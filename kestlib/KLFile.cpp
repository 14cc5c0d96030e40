// Binary data files over C streams. Bytes are assembled explicitly so the files read the
// same on any host; each read collects all of its bytes before storing anything.
#include "KLFile.h"

#include "KLLog.h"
#include "KLPath.h"
#include "platform/KLPlatform.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

static_assert(sizeof(float) == 4 && std::numeric_limits<float>::is_iec559,
              "data files store floats as IEEE singles");

namespace {

uint16_t DecodeU16(const unsigned char* b) { return static_cast<uint16_t>(b[0] | (b[1] << 8)); }

uint32_t DecodeU32(const unsigned char* b) {
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

void EncodeU16(uint16_t v, unsigned char* b) {
    b[0] = static_cast<unsigned char>(v & 0xFF);
    b[1] = static_cast<unsigned char>(v >> 8);
}

void EncodeU32(uint32_t v, unsigned char* b) {
    for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

// Two's complement reinterpretation without relying on out-of-range conversions.
int16_t ToSigned16(uint16_t u) {
    return u <= 0x7FFF ? static_cast<int16_t>(u) : static_cast<int16_t>(-static_cast<int32_t>(0xFFFFu - u) - 1);
}

int32_t ToSigned32(uint32_t u) {
    return u <= 0x7FFFFFFFu ? static_cast<int32_t>(u) : -static_cast<int32_t>(0xFFFFFFFFu - u) - 1;
}

}  // namespace

namespace KL {

FILE* OpenRegularFile(const char* path) { return path ? Platform::OpenRegularFile(path) : nullptr; }

}  // namespace KL

// ---- FileReader ----

FileReader::~FileReader() { CloseFile(); }

void FileReader::CloseFile() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    m_size = 0;
    m_bytes.reset();
    m_position = 0;
}

bool FileReader::Open(const char* path) {
    CloseFile();
    const char* name = path ? path : "";
    const std::string resolved = KL::ResolveDataPath(name);
    if (!resolved.empty()) m_file = KL::OpenRegularFile(resolved.c_str());
    if (!m_file) {
        LogError("FAILED TO OPEN %s", name);
        return false;
    }
    // The size is taken once so that BytesLeft() costs no seeking; a stream that cannot
    // tell its size reports nothing left.
    long size = -1;
    if (std::fseek(m_file, 0, SEEK_END) == 0) size = std::ftell(m_file);
    std::rewind(m_file);
    m_size = size > 0 ? size : 0;
    return true;
}

bool FileReader::OpenBytes(std::shared_ptr<const std::vector<uint8_t>> bytes) {
    CloseFile();
    if (!bytes || bytes->size() > static_cast<size_t>(std::numeric_limits<long>::max())) return false;
    m_bytes = std::move(bytes);
    m_size = static_cast<long>(m_bytes->size());
    return true;
}

bool FileReader::Close() {
    CloseFile();
    return true;
}

long FileReader::BytesLeft() const {
    if (m_bytes) return m_size - static_cast<long>(m_position);
    if (!m_file) return 0;
    const long position = std::ftell(m_file);
    if (position < 0 || position >= m_size) return 0;
    return m_size - position;
}

bool FileReader::ReadExactly(unsigned char* buffer, size_t count) {
    if (m_bytes) {
        // As a short read of a file: nothing is handed over and the reader is at the end.
        const size_t left = m_bytes->size() - m_position;
        if (count > left) {
            m_position = m_bytes->size();
            return false;
        }
        if (count > 0) std::memcpy(buffer, m_bytes->data() + m_position, count);
        m_position += count;
        return true;
    }
    if (!m_file) return false;
    return std::fread(buffer, 1, count, m_file) == count;
}

bool FileReader::ReadByte(unsigned char* out) {
    unsigned char b[1];
    if (!out || !ReadExactly(b, 1)) return false;
    *out = b[0];
    return true;
}

bool FileReader::ReadInt(int32_t* out) {
    unsigned char b[4];
    if (!out || !ReadExactly(b, 4)) return false;
    *out = ToSigned32(DecodeU32(b));
    return true;
}

bool FileReader::ReadRanged(float* out, float min, float max) {
    uint16_t q = 0;
    if (!out || !ReadUShort(&q)) return false;
    *out = min + (max - min) * static_cast<float>(q) * (1.0f / 65535.0f);
    return true;
}

bool FileReader::ReadFloat(float* out) {
    unsigned char b[4];
    if (!out || !ReadExactly(b, 4)) return false;
    const uint32_t bits = DecodeU32(b);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    *out = value;
    return true;
}

bool FileReader::ReadString(char** out) {
    int32_t length = 0;
    if (!out || !ReadInt(&length)) return false;
    if (length < 0) return false;
    if (length == 0) return true;
    // A corrupt length must not turn into a huge allocation.
    if (length > BytesLeft()) return false;
    const size_t count = static_cast<size_t>(length);
    char* text = new char[count + 1];
    if (!ReadExactly(reinterpret_cast<unsigned char*>(text), count)) {
        delete[] text;
        return false;
    }
    text[count] = '\0';
    *out = text;
    return true;
}

bool FileReader::ReadUInt(uint32_t* out) {
    unsigned char b[4];
    if (!out || !ReadExactly(b, 4)) return false;
    *out = DecodeU32(b);
    return true;
}

bool FileReader::ReadShort(int16_t* out) {
    unsigned char b[2];
    if (!out || !ReadExactly(b, 2)) return false;
    *out = ToSigned16(DecodeU16(b));
    return true;
}

bool FileReader::ReadUShort(uint16_t* out) {
    unsigned char b[2];
    if (!out || !ReadExactly(b, 2)) return false;
    *out = DecodeU16(b);
    return true;
}

bool FileReader::ReadObject(KL::Serializable* object) { return object ? object->Load(this) : false; }

// ---- FileWriter ----

FileWriter::~FileWriter() { Close(); }

bool FileWriter::Open(const char* path) {
    Close();
    if (!path) return false;
    m_file = std::fopen(path, "wb");
    return m_file != nullptr;
}

bool FileWriter::Close() {
    if (!m_file) return true;
    const bool flushed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return flushed;
}

bool FileWriter::WriteAll(const unsigned char* bytes, size_t count) {
    if (!m_file) return false;
    return std::fwrite(bytes, 1, count, m_file) == count;
}

bool FileWriter::WriteByte(unsigned char value) { return WriteAll(&value, 1); }

bool FileWriter::WriteInt(int32_t value) { return WriteUInt(static_cast<uint32_t>(value)); }

bool FileWriter::WriteRanged(float value, float min, float max) {
    // All in double: single-precision differences put values one step off (and max
    // below 65535).
    const double low = static_cast<double>(min);
    const double range = static_cast<double>(max) - low;
    if (range == 0.0) return WriteUShort(0);
    const double scaled = (static_cast<double>(value) - low) * 65535.0 / range;
    // Truncation toward zero, keeping the low 16 bits; NaN and anything beyond 32 bits
    // has no meaningful low bits and is stored as 0.
    uint16_t q = 0;
    if (std::fabs(scaled) < 2147483648.0) {
        const int32_t whole = static_cast<int32_t>(scaled);
        q = static_cast<uint16_t>(static_cast<uint32_t>(whole) & 0xFFFFu);
    }
    return WriteUShort(q);
}

bool FileWriter::WriteFloat(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return WriteUInt(bits);
}

bool FileWriter::WriteString(const char* text) {
    const size_t length = text ? std::strlen(text) : 0;
    if (length > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
    if (!WriteInt(static_cast<int32_t>(length))) return false;
    return length == 0 || WriteAll(reinterpret_cast<const unsigned char*>(text), length);
}

bool FileWriter::WriteUInt(uint32_t value) {
    unsigned char b[4];
    EncodeU32(value, b);
    return WriteAll(b, 4);
}

bool FileWriter::WriteShort(int16_t value) { return WriteUShort(static_cast<uint16_t>(value)); }

bool FileWriter::WriteUShort(uint16_t value) {
    unsigned char b[2];
    EncodeU16(value, b);
    return WriteAll(b, 2);
}

bool FileWriter::WriteObject(KL::Serializable* object) { return object ? object->Save(this) : false; }
