#include "PlatformTest.h"

#include "KLApplication.h"

#include "KLWindowsApi.h"

void ClientOrigin(KL::Window* window, int* x, int* y) {
    POINT origin = {0, 0};
    ClientToScreen(static_cast<HWND>(window->GetHandle()), &origin);
    *x = origin.x;
    *y = origin.y;
}

void PrepareHeadlessPlatform() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // Test windows are never shown: nothing on the display depends on them.
    KL::UseOffscreenWindows();
}

// Windows keeps its named pipes out of the file system.
bool MakeFilePipe(const std::string&) { return false; }

void ReleasePipeReader(const std::string&) {}

void RefuseOpenGLContexts(bool refuse) {
    if (!refuse) {
        _KL::SetPixelFormatGate(nullptr);
        return;
    }
    _KL::SetPixelFormatGate([](const KL::PixelFormatRequest&) { return false; });
}
