#include "OutputFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

bool OutputFile::Open(const std::string& path, std::string* error) {
    Abandon();
    m_path = path;
    m_temporary = path + ".tmp";
    m_file = std::fopen(m_temporary.c_str(), "wb");
    if (!m_file) return Fail(error, errno);
    return true;
}

bool OutputFile::Write(const void* data, size_t size, std::string* error) {
    if (!m_file) return Fail(error, EBADF);
    if (size > 0 && std::fwrite(data, 1, size, m_file) != size) return Fail(error, errno ? errno : EIO);
    return true;
}

bool OutputFile::Rewind(std::string* error) {
    if (!m_file) return Fail(error, EBADF);
    if (std::fseek(m_file, 0, SEEK_SET) != 0) return Fail(error, errno ? errno : EIO);
    return true;
}

bool OutputFile::Commit(std::string* error) {
    if (!m_file) return Fail(error, EBADF);
    // Buffered bytes fail at the flush or the close when the disk is full.
    const bool written = std::ferror(m_file) == 0 && std::fflush(m_file) == 0;
    int code = written ? 0 : (errno ? errno : EIO);
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (written && !closed) code = errno ? errno : EIO;
    if (code == 0) {
        // Replaces a file of the same name on every platform (std::rename does not on Windows).
        std::error_code ec;
        std::filesystem::rename(m_temporary, m_path, ec);
        code = ec.value();
    }
    if (code != 0) {
        std::remove(m_temporary.c_str());
        return Fail(error, code);
    }
    return true;
}

void OutputFile::Abandon() {
    if (!m_file) return;
    std::fclose(m_file);
    m_file = nullptr;
    std::remove(m_temporary.c_str());
}

bool OutputFile::Fail(std::string* error, int code) {
    if (error) *error = "cannot write " + m_path + ": " + std::strerror(code);
    return false;
}
