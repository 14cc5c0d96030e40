// What the platform layer provides to the portable framework. Exactly one platform
// (platform/sdl) is linked into a program; nothing above kestlib calls these.
#pragma once

#include <string>

namespace KL {
class Application;

namespace Platform {

// One raw debugger write.
void DebugWrite(const char* text);

// The modal "ERROR" box. With boxes switched off, or where no display can show one,
// the text goes to standard error and the call returns at once.
void ShowErrorBox(const char* text, bool boxesEnabled);

// Windows made from now on render off screen (no display needed).
void UseOffscreenWindows();

// Allocates the platform's application object (the singleton's creator function).
Application* CreateApplication();

// The folder of the running program, ending in a separator; empty when unknown.
std::string ProgramFolder();

}  // namespace Platform
}  // namespace KL
