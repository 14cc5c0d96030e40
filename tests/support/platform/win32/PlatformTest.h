// The platform the tests run on: Win32 (under Wine on the build machine, with Xvfb).
// Windows are real; nobody is there to answer a box.
#pragma once

#include <string>

#include "KLApplicationWin32.h"
#include "KLAppWindowWin32.h"

using PlatformApplication = _KL::ApplicationWin32;
using PlatformWindow = _KL::WindowWin32;

// The class names the registry announces for this platform's implementations.
constexpr const char* kPlatformSystemControllerClass = "class _KL::Hacking::CSystemController_Win32";
constexpr const char* kPlatformSystemControllerName = "_KL::Hacking::CSystemController_Win32";
constexpr const char* kPlatformSystemControllerFile = "Hacking\\CSystemController_Win32";
constexpr const char* kPlatformWindowClass = "class _KL::WindowWin32";

// A crash ends the test program with its exit code instead of waiting in a crash dialog,
// and windows are made off screen.
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
