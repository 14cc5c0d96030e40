// The start-up's platform services on Linux: X11 or Wayland, SDL's quit event, POSIX folders.
#include "AppPlatform.h"

#include <SDL2/SDL_events.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace AppPlatform {

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// A SIGINT or SIGTERM before the dialog watches them went to SDL's handlers, which
// queue a quit event.
bool QuitAlreadyRequested() { return SDL_QuitRequested(); }

std::string DataFolderProblem(const std::string& folder) {
    struct stat info;
    int error = 0;
    if (stat(folder.c_str(), &info) != 0) {
        error = errno;
    } else if (!S_ISDIR(info.st_mode)) {
        return "not a folder";
    } else if (access(folder.c_str(), R_OK | X_OK) != 0) {
        error = errno;
    }
    switch (error) {
    case 0: return "";
    case ENOENT:
    case ENOTDIR: return "not found";
    case EACCES:
    case EPERM: return "permission denied";
    default: return std::strerror(error);
    }
}

std::string EnterFolder(const std::string& folder) {
    return chdir(folder.c_str()) == 0 ? std::string() : std::strerror(errno);
}

// The show's own emblem, generated with the data.
KL::IconHandle LoadProgramIcon() { return KL::LoadIconImage("files/icon.bmp"); }

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

}  // namespace AppPlatform
