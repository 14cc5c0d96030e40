// The framework's window class and window procedure on Win32.
#pragma once

#include "KLApplication.h"
#include "KLWindowsApi.h"

namespace _KL {

// Every framework window belongs to this one class, registered once per process.
extern const char* const kWindowClassName;

// Registers the class unless it exists already; false (with the system's reason in
// GetLastError) when it can be neither registered nor found.
bool RegisterWindowClass(HINSTANCE instance);

// Reduces a Win32 message to the framework's window message; messages the framework does
// not translate come back as WindowMessageKind::Other.
KL::WindowMessage ToWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Hands every message to the application's translation and returns 1 for those it
// handled; the rest get default processing.
LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace _KL
