// Opening data files on POSIX systems without blocking on pipes.
#include "platform/KLPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace KL {
namespace Platform {

FILE* OpenRegularFile(const char* path) {
    if (!path) return nullptr;
    // Non-blocking, so that opening a FIFO without a writer returns at once; the check
    // is made on the opened descriptor, so nothing can swap the file in between.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FILE* file = ::fdopen(fd, "rb");
    if (!file) ::close(fd);
    return file;
}

}  // namespace Platform
}  // namespace KL
