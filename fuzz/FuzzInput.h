// What the fuzz harnesses share: reports of refused inputs (expected by the thousand) kept
// off the terminal and out of boxes, and each input handed to the reader as a file.
#pragma once

#include "KLLog.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Silences the log and the error boxes; call first in every input (it acts once).
inline void Quiet() {
    class Silent : public KL::LogOutput {
    public:
        void Write(const char*) override {}
        void ShowErrorBox(const char*) override {}
    };
    static Silent silent;
    static const bool done = [] {
        KL::SetLogOutput(&silent);
        KL::SetErrorBoxesEnabled(false);
        return true;
    }();
    (void)done;
}

// The bytes as the whole contents of one in-memory file (made on the first call); its
// path, or null when it cannot be written.
inline const char* AsFile(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("fuzz-input", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return nullptr;
    return path.c_str();
}

}  // namespace fuzz
