// Child processes with CreateProcess: a pipe for the input, an anonymous temporary file for
// the errors (the child never blocks on it, however much it writes and however long we take
// to read it), and a command line quoted so that the child's C runtime, and
// CommandLineToArgvW, give back exactly our arguments. The child inherits its three standard
// handles and nothing else.
//
// The class keeps three ints. Kernel handles are 32-bit values on 64-bit Windows (the upper
// half is the sign extension of the lower), so each fits one: HandleToLong / LongToHandle.
#include "ChildProcess.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

constexpr int kNone = -1;

HANDLE AsHandle(int value) { return LongToHandle(value); }
int AsInt(HANDLE handle) { return HandleToLong(handle); }

void CloseStored(int* value) {
    if (*value != kNone) CloseHandle(AsHandle(*value));
    *value = kNone;
}

void CloseLocal(HANDLE* handle) {
    if (*handle && *handle != INVALID_HANDLE_VALUE) CloseHandle(*handle);
    *handle = nullptr;
}

std::string SystemMessage(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = length && text ? std::string(text, length) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                                message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

bool EndsWithCaseBlind(const std::string& text, const std::string& end) {
    if (end.size() > text.size()) return false;
    return std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                  std::tolower(static_cast<unsigned char>(b)); });
}

// The extensions of PATHEXT that CreateProcess runs itself. Batch files go through cmd,
// whose quoting rules are not the C runtime's, so they are never picked.
std::vector<std::string> RunnableExtensions() {
    const char* value = std::getenv("PATHEXT");
    const std::string list = value && *value ? value : ".COM;.EXE";
    std::vector<std::string> extensions;
    size_t at = 0;
    while (at <= list.size()) {
        size_t end = list.find(';', at);
        if (end == std::string::npos) end = list.size();
        const std::string extension = list.substr(at, end - at);
        const bool runnable = EndsWithCaseBlind(extension, ".exe") || EndsWithCaseBlind(extension, ".com");
        if (runnable && extension.size() == 4) extensions.push_back(extension);
        at = end + 1;
    }
    if (extensions.empty()) extensions = {".exe"};
    return extensions;
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// `base` itself when it already ends in a runnable extension, else `base` with one added.
std::string FindWithExtension(const std::string& base, const std::vector<std::string>& extensions) {
    for (const std::string& extension : extensions) {
        if (EndsWithCaseBlind(base, extension) && IsFile(base)) return base;
    }
    for (const std::string& extension : extensions) {
        if (IsFile(base + extension)) return base + extension;
    }
    return std::string();
}

// One argument as the C runtime splits a command line: in quotes when it holds blanks or
// quotes (or is empty); a quote escaped with a backslash; backslashes doubled only where
// they come before a quote, the closing one included.
std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

// The whole command line; false with *why when an argument cannot be passed at all.
bool CommandLine(const std::vector<std::string>& argv, std::string* line, std::string* why) {
    // The program name is read up to the closing quote, with no escapes: it cannot hold one.
    if (argv[0].find('"') != std::string::npos) {
        *why = "a program name cannot hold a quote";
        return false;
    }
    for (const std::string& argument : argv) {
        if (argument.find('\0') != std::string::npos) {
            *why = "an argument holds a NUL character";
            return false;
        }
    }
    *line = argv[0].find_first_of(" \t") == std::string::npos && !argv[0].empty() ? argv[0]
                                                                                   : "\"" + argv[0] + "\"";
    for (size_t i = 1; i < argv.size(); ++i) *line += " " + QuoteArgument(argv[i]);
    return true;
}

// An inheritable handle of the null device.
HANDLE NullDevice(DWORD access) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const HANDLE device =
        CreateFileA("NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    return device == INVALID_HANDLE_VALUE ? nullptr : device;
}

// An inheritable copy of one of our standard output handles, or the null device when we
// have none (a program without a console).
HANDLE InheritableStandard(DWORD which) {
    const HANDLE ours = GetStdHandle(which);
    HANDLE copy = nullptr;
    if (ours && ours != INVALID_HANDLE_VALUE &&
        DuplicateHandle(GetCurrentProcess(), ours, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
        return copy;
    }
    return NullDevice(GENERIC_WRITE);
}

// A temporary file that goes away with its last handle, for the child's errors.
HANDLE ErrorsFile() {
    char folder[MAX_PATH + 1];
    char name[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof(folder), folder);
    if (length == 0 || length > sizeof(folder) || !GetTempFileNameA(folder, "mrl", 0, name)) return nullptr;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(name);
        return nullptr;
    }
    return file;
}

// The handles a child starts with; ours to close once it has them.
struct ChildHandles {
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE errors = nullptr;
    ~ChildHandles() {
        CloseLocal(&input);
        CloseLocal(&output);
        CloseLocal(&errors);
    }
};

// The child's three standard handles, and our end of its input pipe when it is fed.
bool OpenChildHandles(bool feedInput, bool keepErrors, ChildHandles* child, HANDLE* input, std::string* why) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    bool ok = false;
    if (feedInput) {
        // Our end is not inherited: the child must see the end of its input when we close it.
        ok = CreatePipe(&child->input, input, &inherit, 1 << 20) && SetHandleInformation(*input, HANDLE_FLAG_INHERIT, 0);
    } else {
        ok = (child->input = NullDevice(GENERIC_READ)) != nullptr;
    }
    ok = ok && (child->output = InheritableStandard(STD_OUTPUT_HANDLE)) != nullptr;
    ok = ok && (child->errors = keepErrors ? ErrorsFile() : InheritableStandard(STD_ERROR_HANDLE)) != nullptr;
    if (!ok) *why = SystemMessage(GetLastError());
    return ok;
}

// Starts `program` with exactly the three standard handles inherited.
bool Spawn(const std::string& program, std::string line, const ChildHandles& child, HANDLE* process,
           std::string* why) {
    std::vector<HANDLE> inherited = {child.input, child.output, child.errors};
    std::sort(inherited.begin(), inherited.end());
    inherited.erase(std::unique(inherited.begin(), inherited.end()), inherited.end());
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
        *why = SystemMessage(GetLastError());
        return false;
    }
    bool started = false;
    if (UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited.data(),
                                  inherited.size() * sizeof(HANDLE), nullptr, nullptr)) {
        STARTUPINFOEXA startup = {};
        startup.StartupInfo.cb = sizeof(startup);
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = child.input;
        startup.StartupInfo.hStdOutput = child.output;
        startup.StartupInfo.hStdError = child.errors;
        startup.lpAttributeList = attributes;
        // Without a console of ours, a console program would open a window of its own.
        const DWORD flags = EXTENDED_STARTUPINFO_PRESENT | (GetConsoleCP() == 0 ? CREATE_NO_WINDOW : 0);
        PROCESS_INFORMATION info = {};
        std::vector<char> writable(line.begin(), line.end());
        writable.push_back('\0');
        started = CreateProcessA(program.c_str(), writable.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                 &startup.StartupInfo, &info) != 0;
        if (started) {
            CloseHandle(info.hThread);
            *process = info.hProcess;
        }
    }
    if (!started) *why = SystemMessage(GetLastError());
    DeleteProcThreadAttributeList(attributes);
    return started;
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (m_pid != kNone) Wait();
}

std::string ChildProcess::Find(const std::string& program) {
    if (program.empty()) return std::string();
    const std::vector<std::string> extensions = RunnableExtensions();
    if (program.find_first_of("/\\:") != std::string::npos) return FindWithExtension(program, extensions);
    // Only the folders of PATH, as elsewhere: not the current folder, which Windows' own
    // search would try first.
    const char* path = std::getenv("PATH");
    const std::string folders = path ? path : "";
    size_t at = 0;
    while (at < folders.size()) {
        size_t end = folders.find(';', at);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(at, end - at);
        folder.erase(std::remove(folder.begin(), folder.end(), '"'), folder.end());
        if (!folder.empty()) {
            if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
            const std::string found = FindWithExtension(folder + program, extensions);
            if (!found.empty()) return found;
        }
        at = end + 1;
    }
    return std::string();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, bool feedInput, bool keepErrors, std::string* error) {
    if (argv.empty()) {
        if (error) *error = "cannot start: no program named";
        return false;
    }
    std::string why = "not found";
    std::string line;
    const std::string program = Find(argv[0]);
    HANDLE input = nullptr;
    HANDLE process = nullptr;
    ChildHandles child;
    if (!program.empty() && CommandLine(argv, &line, &why) &&
        OpenChildHandles(feedInput, keepErrors, &child, &input, &why)) {
        Spawn(program, line, child, &process, &why);
    }
    if (!process) {
        if (error) *error = "cannot start " + argv[0] + ": " + why;
        CloseLocal(&input);
        return false;
    }
    m_pid = AsInt(process);
    m_input = feedInput ? AsInt(input) : kNone;
    m_errors = kNone;
    if (keepErrors) {
        // Kept open beside the child's copy: the file goes when both are closed.
        m_errors = AsInt(child.errors);
        child.errors = nullptr;
    }
    return true;
}

bool ChildProcess::Write(const void* data, size_t size, std::string* error) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD done = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        if (m_input == kNone || !WriteFile(AsHandle(m_input), bytes, chunk, &done, nullptr)) {
            const DWORD code = m_input == kNone ? ERROR_BROKEN_PIPE : GetLastError();
            // The reader has gone: the same words as elsewhere.
            if (error) *error = code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA ? "Broken pipe" : SystemMessage(code);
            return false;
        }
        bytes += done;
        size -= done;
    }
    return true;
}

void ChildProcess::Kill() {
    if (m_pid != kNone) TerminateProcess(AsHandle(m_pid), 1);
}

int ChildProcess::Wait(std::string* errors) {
    CloseStored(&m_input);
    int status = -1;
    if (m_pid != kNone) {
        const HANDLE process = AsHandle(m_pid);
        WaitForSingleObject(process, INFINITE);
        DWORD code = 0;
        // A crash ends a process with an exception code (0xC0000005 and the like), not an exit.
        if (GetExitCodeProcess(process, &code) && (code & 0xC0000000u) != 0xC0000000u) status = static_cast<int>(code);
        CloseStored(&m_pid);
    }
    if (m_errors != kNone) {
        const HANDLE file = AsHandle(m_errors);
        char buffer[4096];
        DWORD got = 0;
        if (errors && SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
            while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) errors->append(buffer, got);
        }
        CloseStored(&m_errors);
    }
    return status;
}

// A write to a program that has gone is already an error here, and nothing limits file sizes.
void ReportWriteFailuresAsErrors() {}

bool StandardErrorIsTerminal() {
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!handle || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return false;
    // The progress line clears with an escape sequence, which an old console prints as text.
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
    return SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}
