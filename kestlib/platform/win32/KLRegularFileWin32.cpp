// Opening data files on Win32: only files on disk, never a device ("NUL", "CON"), pipe or
// folder.
#include "platform/KLPlatform.h"

#include <fcntl.h>
#include <io.h>

#include "KLWindowsApi.h"

namespace KL {
namespace Platform {

FILE* OpenRegularFile(const char* path) {
    if (!path || !*path) return nullptr;
    // Folders cannot be opened this way; a pipe without a server fails at once. The kind
    // of file is checked on the opened handle, so nothing can swap it in between.
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* file = _fdopen(fd, "rb");
    if (!file) _close(fd);  // closes the handle too
    return file;
}

}  // namespace Platform
}  // namespace KL
