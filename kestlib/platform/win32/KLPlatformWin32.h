// Platform state shared by the Win32 files.
#pragma once

namespace _KL {

// True once windows are to render off screen: windows made afterwards are never shown.
bool WindowsStayHidden();

// The instance handle that window classes and windows are made with: the application's,
// or the program module's when there is no application or it has none.
void* WindowInstanceHandle();

}  // namespace _KL
