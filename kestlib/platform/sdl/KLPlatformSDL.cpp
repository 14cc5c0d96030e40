// What SDL provides to the portable framework: the debugger channel, the error box, the
// application's creator and the registered implementations, announced in table order.
#include "platform/KLPlatform.h"

#include "Hacking/CSystemController_SDL.h"
#include "KLAbstractFactory.h"
#include "KLApplicationSDL.h"
#include "KLAppWindowSDL.h"
#include "KLBitmap.h"
#include "KLCoinManager1.h"
#include "KLGLProc.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace KL {
namespace Platform {

namespace {

// A modal box needs someone in front of a display: the offscreen and dummy video drivers
// have none, and without an X or Wayland display nothing can show it.
bool DisplayCanShowBox() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) return false;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

void DebugWrite(const char* text) { std::fputs(text, stderr); }

void ShowErrorBox(const char* text, bool boxesEnabled) {
    if (boxesEnabled && DisplayCanShowBox() &&
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "ERROR", text, nullptr) == 0) {
        return;
    }
    const size_t length = std::strlen(text);
    std::fprintf(stderr, "ERROR: %s%s", text, (length > 0 && text[length - 1] == '\n') ? "" : "\n");
}

void UseOffscreenWindows() {
    // Through the environment rather than a hint, so that the error box sees it too.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
}

Application* CreateApplication() { return new _KL::ApplicationSDL(); }

std::string ProgramFolder() {
    char* path = SDL_GetBasePath();
    if (!path) return std::string();
    std::string folder = path;
    SDL_free(path);
    return folder;
}

void* ProgramInstanceHandle(char** argv) { return argv; }

}  // namespace Platform

void* GetGLProcAddress(const char* name) { return name ? SDL_GL_GetProcAddress(name) : nullptr; }

const char* const kGLAllocateMemoryNVName = "glXAllocateMemoryNV";
const char* const kGLFreeMemoryNVName = "glXFreeMemoryNV";

}  // namespace KL

// The registrars, in table order within this one file, so that their announcements come
// in that order whatever the order of static initialisation across files.
namespace {

KLRegistrarFor<KL::ICoinManager, _KL::CCoinManager1> g_coinManagerRegistrar("class _KL::CCoinManager1",
                                                                             "class KL::ICoinManager");
KLRegistrarFor<KL::Hacking::ISystemController, _KL::Hacking::CSystemController_SDL> g_systemControllerRegistrar(
    "class _KL::Hacking::CSystemController_SDL", "class KL::Hacking::ISystemController");
KLRegistrarFor<KL::IBitmap, _KL::CBitmap> g_bitmapRegistrar("class _KL::CBitmap", "class KL::IBitmap");
KLRegistrarFor<KL::Window, _KL::WindowSDL> g_windowRegistrar("class _KL::WindowSDL", "class KL::Window");

}  // namespace
