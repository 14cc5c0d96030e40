// What the platform layer provides to the portable framework. Exactly one platform
// (platform/sdl or platform/win32) is linked into a program; nothing above kestlib calls
// these.
#pragma once

#include <cstdio>
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

// The module instance handle the program entry gives the application. Platforms without
// one hand back the program's arguments, which stand in for it.
void* ProgramInstanceHandle(char** argv);

// Opens an existing regular file for binary reading, or null. Folders, pipes, devices and
// sockets are refused without waiting on them; the check is made on the opened file.
FILE* OpenRegularFile(const char* path);

}  // namespace Platform
}  // namespace KL
