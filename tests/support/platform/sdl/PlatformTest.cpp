#include "PlatformTest.h"

#include <SDL.h>

#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void PrepareHeadlessPlatform() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

void ClientOrigin(KL::Window* window, int* x, int* y) {
    SDL_GetWindowPosition(static_cast<SDL_Window*>(window->GetHandle()), x, y);
}

bool MakeFilePipe(const std::string& path) { return mkfifo(path.c_str(), 0600) == 0; }

void ReleasePipeReader(const std::string& path) {
    const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) close(writer);
}

void RefuseOpenGLContexts(bool refuse) {
    if (!refuse) {
        _KL::SetFramebufferGate(nullptr);
        return;
    }
    _KL::SetFramebufferGate([](_KL::FramebufferStage stage, const KL::PixelFormatRequest&) {
        return stage != _KL::FramebufferStage::kContext;
    });
}
