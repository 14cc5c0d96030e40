// The start-up's platform services on Windows: the interactive desktop, the thread's
// quit message, Win32 folders and the icon resource.
#include "AppPlatform.h"

#include "KLLog.h"
#include "MarloResources.h"

#include <windows.h>

#include <string>

namespace AppPlatform {

namespace {

std::string SystemMessage(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length && text ? std::string(text, length) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

std::string ProblemOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE: return "not found";
    case ERROR_ACCESS_DENIED: return "permission denied";
    default: return SystemMessage(error);
    }
}

}  // namespace

// A service or a locked-down session runs on a window station that shows nothing.
bool HasDisplay() {
    USEROBJECTFLAGS flags = {};
    HWINSTA station = GetProcessWindowStation();
    if (!station || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

// A quit asked before the dialog is a quit message already in this thread's queue; it
// stays there for the application's loop.
bool QuitAlreadyRequested() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

std::string DataFolderProblem(const std::string& folder) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ProblemOf(GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return "not a folder";
    // Its entries must be listable.
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? std::string() : ProblemOf(error);
    }
    FindClose(find);
    return "";
}

std::string EnterFolder(const std::string& folder) {
    return SetCurrentDirectoryA(folder.c_str()) ? std::string() : ProblemOf(GetLastError());
}

KL::IconHandle LoadProgramIcon() {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MARLO));
    if (!icon) LogMessage("No window icon from resource %d: %s", IDI_MARLO, SystemMessage(GetLastError()).c_str());
    return icon;
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

}  // namespace AppPlatform
