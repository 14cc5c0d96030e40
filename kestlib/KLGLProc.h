// OpenGL entry points beyond the platform's GL library are looked up by name through the
// platform that made the context.
#pragma once

namespace KL {

// The address of a GL (or GLX) function, or null. On Linux the answer may be non-null
// for names the driver does not implement: check the extension string as well.
void* GetGLProcAddress(const char* name);

}  // namespace KL
