// OpenGL entry points beyond the platform's GL library are looked up by name through the
// platform that made the context.
#pragma once

namespace KL {

// The address of a GL (or GLX) function, or null. On Linux the answer may be non-null
// for names the driver does not implement: check the extension string as well.
void* GetGLProcAddress(const char* name);

// The window system's own names of the NV vertex array range memory functions: the wgl
// pair where WGL makes the context, the glX pair where GLX does.
extern const char* const kGLAllocateMemoryNVName;
extern const char* const kGLFreeMemoryNVName;

}  // namespace KL
