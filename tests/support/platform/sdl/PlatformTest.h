// The platform the tests run on: SDL2, headless through its offscreen video driver
// (Mesa's llvmpipe through EGL) and its dummy audio driver.
#pragma once

#include <string>

#include "KLApplicationSDL.h"
#include "KLAppWindowSDL.h"

using PlatformApplication = _KL::ApplicationSDL;
using PlatformWindow = _KL::WindowSDL;

// The class names the registry announces for this platform's implementations.
constexpr const char* kPlatformSystemControllerClass = "class _KL::Hacking::CSystemController_SDL";
constexpr const char* kPlatformSystemControllerName = "_KL::Hacking::CSystemController_SDL";
constexpr const char* kPlatformSystemControllerFile = "Hacking\\CSystemController_SDL";
constexpr const char* kPlatformWindowClass = "class _KL::WindowSDL";

void PrepareHeadlessPlatform();

// Where the window's client area starts on the screen.
void ClientOrigin(KL::Window* window, int* x, int* y);

// A named pipe at `path` in the file system, where the platform has them (false otherwise),
// and a writer opened and closed at once on it, which lets a reader blocked on it go.
bool MakeFilePipe(const std::string& path);
void ReleasePipeReader(const std::string& path);

// From now on no window gets an OpenGL context (as on a display without any accelerated
// framebuffer), until called again with false.
void RefuseOpenGLContexts(bool refuse);
