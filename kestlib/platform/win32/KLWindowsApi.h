// The Win32 API for the platform's own source files only: no public kestlib header
// includes it (it defines min, max and many short names as macros). Include it after the
// kestlib headers.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
