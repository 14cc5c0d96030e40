// What Win32 provides to the portable framework: the debugger channel, the error box, the
// application's creator, the module's handle and folder, GL entry points and the
// registered implementations, announced in table order.
#include "platform/KLPlatform.h"

#include "Hacking/CSystemController_Win32.h"
#include "KLAbstractFactory.h"
#include "KLAppWindowWin32.h"
#include "KLApplicationWin32.h"
#include "KLBitmap.h"
#include "KLCoinManager1.h"
#include "KLGLProc.h"
#include "KLPlatformWin32.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "KLWindowsApi.h"

namespace _KL {

namespace {

std::atomic<bool>& HiddenWindows() {
    static std::atomic<bool> hidden{false};
    return hidden;
}

}  // namespace

bool WindowsStayHidden() { return HiddenWindows().load(); }

void* WindowInstanceHandle() {
    if (KLAbstractFactory<KL::Application>::HasInstance()) {
        if (void* handle = KLAbstractFactory<KL::Application>::GetInstance()->GetInstanceHandle()) return handle;
    }
    return GetModuleHandleA(nullptr);
}

}  // namespace _KL

namespace KL {
namespace Platform {

// The debugger sees the trace, and so do a console and the tests.
void DebugWrite(const char* text) {
    OutputDebugStringA(text);
    std::fputs(text, stderr);
}

void ShowErrorBox(const char* text, bool boxesEnabled) {
    if (boxesEnabled && MessageBoxA(nullptr, text, "ERROR", MB_OK) != 0) return;
    const size_t length = std::strlen(text);
    std::fprintf(stderr, "ERROR: %s%s", text, (length > 0 && text[length - 1] == '\n') ? "" : "\n");
}

void UseOffscreenWindows() { _KL::HiddenWindows().store(true); }

Application* CreateApplication() { return new _KL::ApplicationWin32(); }

std::string ProgramFolder() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::string();
        if (length < path.size()) {
            std::string folder(path.data(), length);
            const size_t separator = folder.find_last_of("\\/");
            return separator == std::string::npos ? std::string() : folder.substr(0, separator + 1);
        }
        // Cut short: try again with more room (paths are bounded by 32767 characters).
        if (path.size() >= 32768) return std::string();
        path.resize(path.size() * 2);
    }
}

void* ProgramInstanceHandle(char**) { return GetModuleHandleA(nullptr); }

}  // namespace Platform

const char* const kGLAllocateMemoryNVName = "wglAllocateMemoryNV";
const char* const kGLFreeMemoryNVName = "wglFreeMemoryNV";

void* GetGLProcAddress(const char* name) {
    if (!name) return nullptr;
    // Some drivers answer small numbers or -1 instead of null for names they lack.
    const PROC proc = wglGetProcAddress(name);
    const intptr_t value = reinterpret_cast<intptr_t>(proc);
    if (value != 0 && value != 1 && value != 2 && value != 3 && value != -1) return reinterpret_cast<void*>(proc);
    // OpenGL 1.1 functions are exported by opengl32 itself and never answered above.
    HMODULE library = GetModuleHandleA("opengl32.dll");
    if (!library) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(library, name));
}

}  // namespace KL

// The registrars, in table order within this one file, so that their announcements come
// in that order whatever the order of static initialisation across files.
namespace {

bool Usable(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A GUI program has no console of its own. Started from one, its output and traces go to
// that console; streams redirected to a file or a pipe stay where they were sent. Either
// way each trace is written as it is made (the C library would otherwise buffer standard
// error in a file until the program ends). Made before the registrars below, whose
// announcements are the first traces.
struct ParentConsole {
    ParentConsole() {
        const bool output = Usable(GetStdHandle(STD_OUTPUT_HANDLE));
        const bool errors = Usable(GetStdHandle(STD_ERROR_HANDLE));
        if (!(output && errors) && AttachConsole(ATTACH_PARENT_PROCESS)) {
            if (!output) std::freopen("CONOUT$", "w", stdout);
            if (!errors) std::freopen("CONOUT$", "w", stderr);
        }
        std::setvbuf(stderr, nullptr, _IONBF, 0);
    }
} g_parentConsole;

KLRegistrarFor<KL::ICoinManager, _KL::CCoinManager1> g_coinManagerRegistrar("class _KL::CCoinManager1",
                                                                             "class KL::ICoinManager");
KLRegistrarFor<KL::Hacking::ISystemController, _KL::Hacking::CSystemController_Win32> g_systemControllerRegistrar(
    "class _KL::Hacking::CSystemController_Win32", "class KL::Hacking::ISystemController");
KLRegistrarFor<KL::IBitmap, _KL::CBitmap> g_bitmapRegistrar("class _KL::CBitmap", "class KL::IBitmap");
KLRegistrarFor<KL::Window, _KL::WindowWin32> g_windowRegistrar("class _KL::WindowWin32", "class KL::Window");

}  // namespace
