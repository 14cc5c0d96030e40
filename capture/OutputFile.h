// A file written under a temporary name ("NAME.tmp") and renamed to its own name only
// when every byte reached the disk, so that a run that fails half-way never leaves a
// half-written file that looks good. Dropped without Commit, the temporary is removed.
#pragma once

#include <cstdio>
#include <string>

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { Abandon(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates (or truncates) the temporary. False with *error ("cannot write PATH: why").
    bool Open(const std::string& path, std::string* error);
    FILE* Get() const { return m_file; }
    const std::string& GetPath() const { return m_path; }
    bool IsOpen() const { return m_file != nullptr; }

    // Writes `size` bytes; false with *error when they could not all be written.
    bool Write(const void* data, size_t size, std::string* error);
    // Goes back to the first byte (to fill in a header).
    bool Rewind(std::string* error);
    // Closes the temporary, checking that everything was written, and renames it. False
    // with *error (the temporary is then removed).
    bool Commit(std::string* error);
    // Closes and removes the temporary.
    void Abandon();

private:
    bool Fail(std::string* error, int code);

    FILE* m_file = nullptr;
    std::string m_path;
    std::string m_temporary;
};
