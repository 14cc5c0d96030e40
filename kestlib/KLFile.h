// Typed binary access to data files. Every value is little-endian whatever the host:
//   byte          1 byte
//   short/ushort  2 bytes
//   int/uint      4 bytes
//   float         4 bytes, IEEE single
//   ranged float  2 bytes: unsigned q, value = min + (max - min) * q / 65535
//   string        signed 32-bit length n, then n bytes without a terminator
//
// A read that cannot get all of its bytes returns false, leaves its destination as it was
// and leaves the reader at the end; a reader that is not open reads nothing. Parsers check
// counts with BytesLeft(). A reader of bytes in memory reads them exactly as a file of
// those bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

class FileReader;
class FileWriter;

namespace KL {

// Something that reads itself from and writes itself to a data file.
class Serializable {
public:
    virtual bool Load(FileReader* reader) = 0;
    virtual bool Save(FileWriter* writer) = 0;
    virtual ~Serializable() = default;
};

// Opens an existing regular file for binary reading. Folders, pipes, devices and sockets
// are refused (null) without waiting on them: a pipe would block the open and the reads.
FILE* OpenRegularFile(const char* path);

}  // namespace KL

class FileReader {
public:
    FileReader() = default;
    virtual ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Opens a data file, matching the name case-blind when it does not exist as given.
    // Only regular files open. Failure shows "FAILED TO OPEN <path>" and returns false. Any open file is closed first.
    virtual bool Open(const char* path);
    // Reads these bytes as the contents of a file (shared, never changed by the reader), with
    // the same results for every read and BytesLeft(); nothing is shown. False, with nothing
    // open, for null or more bytes than a file position counts. Anything open is closed first.
    bool OpenBytes(std::shared_ptr<const std::vector<uint8_t>> bytes);
    // Closes the file or bytes if open; always true.
    virtual bool Close();

    virtual bool ReadByte(unsigned char* out);
    virtual bool ReadInt(int32_t* out);
    virtual bool ReadRanged(float* out, float min, float max);
    virtual bool ReadFloat(float* out);
    // On success with a positive length, *out is a new[] copy with a terminator that the
    // caller frees with delete[]. A zero length succeeds and leaves *out alone; a negative
    // length or one beyond the end of the file fails and leaves *out alone.
    virtual bool ReadString(char** out);
    virtual bool ReadUInt(uint32_t* out);
    virtual bool ReadShort(int16_t* out);
    virtual bool ReadUShort(uint16_t* out);

    // Hands the reader to the object's Load; false for null.
    bool ReadObject(KL::Serializable* object);
    bool IsOpen() const { return m_file != nullptr || m_bytes != nullptr; }
    // Bytes from the current position to the end of the file; 0 when nothing is open.
    long BytesLeft() const;

private:
    bool ReadExactly(unsigned char* buffer, size_t count);
    void CloseFile();

    FILE* m_file = nullptr;
    long m_size = 0;
    // Open on bytes instead of a file: the bytes and the position in them.
    std::shared_ptr<const std::vector<uint8_t>> m_bytes;
    size_t m_position = 0;
};

class FileWriter {
public:
    FileWriter() = default;
    virtual ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // Creates (or truncates) the file at exactly this path; says nothing on failure.
    // Any open file is closed first.
    virtual bool Open(const char* path);
    // Closes the file if one is open; false only when the last buffered bytes could not
    // be written out.
    virtual bool Close();

    virtual bool WriteByte(unsigned char value);
    virtual bool WriteInt(int32_t value);
    // Stores the value's place in [min, max] as 0..65535. Values outside the range keep
    // the low 16 bits of the scaled number; NaN, far-off values and an empty range store 0.
    virtual bool WriteRanged(float value, float min, float max);
    virtual bool WriteFloat(float value);
    // Length then characters; null writes length 0.
    virtual bool WriteString(const char* text);
    virtual bool WriteUInt(uint32_t value);
    virtual bool WriteShort(int16_t value);
    virtual bool WriteUShort(uint16_t value);

    // Hands the writer to the object's Save; false for null.
    bool WriteObject(KL::Serializable* object);
    bool IsOpen() const { return m_file != nullptr; }

private:
    bool WriteAll(const unsigned char* bytes, size_t count);

    FILE* m_file = nullptr;
};
