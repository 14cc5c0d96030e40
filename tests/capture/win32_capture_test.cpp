// Child processes on Windows, with this test program itself as the child (started with a
// first argument of kChildFlag, it does the child's part before any test runs): arguments
// that come back exactly as given, input fed through the pipe, errors kept however many,
// exit codes, a reader that goes away, and programs found on PATH. Also the temporary
// video names with Windows separators.
#include "ChildProcess.h"
#include "VideoEncoder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kChildFlag = "--marlo-test-child";

void WriteErrors(const std::string& text) {
    DWORD done = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
}

// One line for any text: backslashes doubled, control characters as \xNN.
std::string Escaped(const std::string& text) {
    static const char digits[] = "0123456789abcdef";
    std::string line;
    for (unsigned char c : text) {
        if (c == '\\') {
            line += "\\\\";
        } else if (c < 32 || c >= 127) {
            line += {'\\', 'x', digits[c >> 4], digits[c & 15]};
        } else {
            line += static_cast<char>(c);
        }
    }
    return line;
}

// The arguments after the mode as the C runtime split them, and whether CommandLineToArgvW
// splits the command line the same way.
int EchoArguments() {
    std::vector<std::string> crt(__argv + 3, __argv + __argc);
    using Splitter = LPWSTR*(WINAPI*)(LPCWSTR, int*);
    const auto split = reinterpret_cast<Splitter>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("shell32.dll"), "CommandLineToArgvW")));
    int count = 0;
    LPWSTR* wide = split ? split(GetCommandLineW(), &count) : nullptr;
    std::vector<std::string> shell;
    for (int i = 3; i < count; ++i) shell.emplace_back(wide[i], wide[i] + wcslen(wide[i]));  // ASCII only
    for (const std::string& argument : crt) WriteErrors(Escaped(argument) + "\n");
    return shell == crt ? 0 : 3;
}

// Writes `errorBytes` to standard error first, then reads the whole input: its size.
int ReadInput(size_t errorBytes) {
    WriteErrors(std::string(errorBytes, 'e'));
    char buffer[65536];
    DWORD got = 0;
    size_t total = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof(buffer), &got, nullptr) && got > 0) total += got;
    WriteErrors("read " + std::to_string(total));
    return 7;
}

int ChildMain(const std::string& mode, const char* value) {
    if (mode == "args") return EchoArguments();
    if (mode == "read") return ReadInput(std::strtoul(value, nullptr, 10));
    if (mode == "exit") return static_cast<int>(std::strtoul(value, nullptr, 0));
    return 99;
}

// The child's report is framed: the program's own start-up may trace lines of its own.
constexpr const char* kReportStart = "<report>";
constexpr const char* kReportEnd = "</report>";

const bool g_isChild = [] {
    if (__argc >= 3 && std::strcmp(__argv[1], kChildFlag) == 0) {
        WriteErrors(kReportStart);
        const int code = ChildMain(__argv[2], __argc >= 4 ? __argv[3] : "0");
        WriteErrors(kReportEnd);
        ExitProcess(static_cast<UINT>(code));
    }
    return false;
}();

std::string Report(const std::string& errors) {
    const size_t start = errors.find(kReportStart);
    const size_t end = errors.find(kReportEnd);
    if (start == std::string::npos || end == std::string::npos || end < start) return "no report in: " + errors;
    return errors.substr(start + std::strlen(kReportStart), end - start - std::strlen(kReportStart));
}

std::string Self() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    return std::string(path, length);
}

std::vector<std::string> Child(const std::string& mode, std::vector<std::string> more = {}) {
    std::vector<std::string> argv = {Self(), kChildFlag, mode};
    argv.insert(argv.end(), more.begin(), more.end());
    return argv;
}

}  // namespace

TEST(Win32ChildProcess, ArgumentsComeBackExactlyAsGiven) {
    const std::vector<std::string> arguments = {
        "plain", "two words", "", "quote\"inside", "\"", "trailing\\", "trailing space\\ ", "C:\\Program Files\\x\\",
        "\\\\server\\share\\", "a\\\\\"b", "back\\slash", "\\", "tab\there", "new\nline", "  ", "%PATH%", "^&|<>",
    };
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.Start(Child("args", arguments), false, true, &error)) << error;
    std::string errors;
    EXPECT_EQ(child.Wait(&errors), 0) << "CommandLineToArgvW splits differently";
    std::string expected;
    for (const std::string& argument : arguments) expected += Escaped(argument) + "\n";
    EXPECT_EQ(Report(errors), expected);
}

TEST(Win32ChildProcess, FeedsInputKeepsEveryErrorAndGivesTheExitCode) {
    const struct {
        size_t input, errors;
    } cases[] = {{0, 0}, {10, 3}, {3u << 20, 2u << 20}};  // more than any pipe holds, both ways
    for (const auto& c : cases) {
        ChildProcess child;
        std::string error;
        ASSERT_TRUE(child.Start(Child("read", {std::to_string(c.errors)}), true, true, &error)) << error;
        const std::vector<char> bytes(c.input, 'i');
        EXPECT_TRUE(child.Write(bytes.data(), bytes.size(), &error)) << error;
        std::string errors;
        EXPECT_EQ(child.Wait(&errors), 7);
        EXPECT_EQ(Report(errors), std::string(c.errors, 'e') + "read " + std::to_string(c.input)) << c.input;
        EXPECT_EQ(child.Wait(), -1);  // already waited for
    }
}

TEST(Win32ChildProcess, ExitCodesCrashesAndAReaderThatIsGone) {
    const struct {
        const char* code;
        int status;
    } exits[] = {{"0", 0}, {"4", 4}, {"255", 255}, {"0xC0000005", -1}, {"0xC0000409", -1}};
    for (const auto& e : exits) {
        ChildProcess child;
        std::string error;
        ASSERT_TRUE(child.Start(Child("exit", {e.code}), true, false, &error)) << error;
        // It never reads: once it has ended, writing fails instead of blocking.
        const std::vector<char> chunk(1 << 16, 'x');
        bool written = true;
        for (int i = 0; i < 1024 && written; ++i) written = child.Write(chunk.data(), chunk.size(), &error);
        EXPECT_FALSE(written) << e.code;
        EXPECT_EQ(error, "Broken pipe");
        EXPECT_EQ(child.Wait(), e.status) << e.code;
    }
}

TEST(Win32ChildProcess, FindsProgramsOnPathAndRefusesWhatCannotStart) {
    const std::string self = Self();
    const std::string stem = self.substr(0, self.size() - 4);  // without ".exe"
    EXPECT_EQ(ChildProcess::Find(self), self);
    EXPECT_EQ(ChildProcess::Find(stem), stem + self.substr(self.size() - 4));
    const std::string cmd = ChildProcess::Find("cmd");
    EXPECT_FALSE(cmd.empty());
    EXPECT_TRUE(cmd.size() > 8 && _stricmp(cmd.c_str() + cmd.size() - 8, "\\cmd.exe") == 0) << cmd;
    EXPECT_EQ(ChildProcess::Find(self.substr(0, self.find_last_of('\\'))), "");  // a folder
    EXPECT_EQ(ChildProcess::Find("marlo-no-such-program"), "");

    const struct {
        std::vector<std::string> argv;
        std::string error;
    } refused[] = {
        {{"marlo-no-such-program"}, "cannot start marlo-no-such-program: not found"},
        {{self, std::string("nul\0inside", 10)}, "cannot start " + self + ": an argument holds a NUL character"},
        {{}, "cannot start: no program named"},
    };
    for (const auto& r : refused) {
        ChildProcess child;
        std::string error;
        EXPECT_FALSE(child.Start(r.argv, true, true, &error));
        EXPECT_EQ(error, r.error);
        EXPECT_FALSE(child.Write("x", 1, &error));
        EXPECT_EQ(child.Wait(), -1);
    }
}

TEST(Win32CaptureNames, TemporaryVideoNamesKeepTheFolderWhateverItsSeparators) {
    EXPECT_EQ("C:\\v.d\\show.part-probe", VideoTemporary("C:\\v.d\\show", "probe"));
    EXPECT_EQ("C:\\v\\show.part-video.mp4", VideoTemporary("C:\\v\\show.mp4", "video"));
    EXPECT_EQ("C:/v.d\\.hidden.part-video", VideoTemporary("C:/v.d\\.hidden", "video"));
}
