// The marlo program as a user starts it: headless, its first trace lines, and a clean
// exit when asked to quit.
#include "MarloProcess.h"
#include "UnreachableDisplay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The --device number of a device named in --help's list, or -1.
int DeviceNumber(const std::string& help, const std::string& name) {
    const size_t list = help.find("Sound devices: ");
    if (list == std::string::npos) return -1;
    const size_t at = help.find(" " + name, list);
    if (at == std::string::npos) return -1;
    size_t digits = at;
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(help[digits - 1]))) --digits;
    return digits < at ? std::stoi(help.substr(digits, at - digits)) : -1;
}

std::string HelpText() {
    Child help = StartMarlo({"--help"}, STDOUT_FILENO);
    const std::string text = ReadAll(help.err);
    ExitCode(help);
    return text;
}

// Plays until the timeline has started the music, then ends with SIGTERM; returns the
// whole standard error, and the exit code in *code.
std::string PlayUntilStartedThenTerminate(std::vector<const char*> args, int* code, const Environment& env = {}) {
    Child child = StartMarlo(std::move(args), STDERR_FILENO, 0, env);
    std::string text;
    for (std::string line; (line = ReadLine(child.err)) != "" || !std::feof(child.err);) {
        text += line + "\n";
        if (line == "Debug: start: 0") break;
    }
    kill(child.pid, SIGTERM);
    text += ReadAll(child.err);
    *code = ExitCode(child);
    return text;
}

}  // namespace

TEST(MarloProgram, AnnouncesTheRegistryThenKestLibAndQuitsCleanly) {
    Child child = StartMarlo({"--windowed", "--no-error-box"});
    ASSERT_GT(child.pid, 0);
    ASSERT_NE(child.err, nullptr);
    std::vector<std::string> lines;
    for (int i = 0; i < 22; ++i) lines.push_back(ReadLine(child.err));
    const std::vector<std::string> expected = {
        "Debug: Implementation 'class _KL::CCoinManager1' for 'class KL::ICoinManager' defined.",
        "Debug: Implementation 'class _KL::Hacking::CSystemController_SDL' for 'class KL::Hacking::ISystemController' defined.",
        "Debug: Implementation 'class _KL::CBitmap' for 'class KL::IBitmap' defined.",
        "Debug: Implementation 'class _KL::WindowSDL' for 'class KL::Window' defined.",
        "Debug: KestLib Initialized",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5), expected);
    // The demo system's builder registration comes next: every type of the catalog, in its
    // fixed order.
    const std::vector<std::string> registered = {
        "Debug: Registerint effects:",
        "Debug: Effect \"MAX 4.2 Exported 3d Scene\" (This effect plays an animation created in 3d Studio MAX 4.2) "
        "registered.",
        "Debug: Effect \"model\" (This effect draws a 3d model) registered.",
        "Debug: Effect \"Bass Player\" (This effect Plays musics) registered.",
        "Debug: Effect \"meteoritos\" (This effect shows meteors!) registered.",
        "Debug: Effect \"debug\" (This effect draws debug text) registered.",
        "Debug: Effect \"follow\" (This functional effect permits to get a smoth positon value given a start position "
        "and a destination.) registered.",
        "Debug: Effect \"motion capture\" (This utility effect captures mouse input.) registered.",
        "Debug: Effect \"atmosfear\" (This effect gives ya Atmosferic gold) registered.",
        "Debug: Effect \"vector field\" (This effect simulates fluids) registered.",
        "Debug: Registering modifiers:",
        "Debug: Modifier \"Sine Wave\" (Sine Wave generator) registered.",
        "Debug: Modifier \"utilities\" (Common tools) registered.",
        "Debug: Modifier \"Binary operation\" (Group of functions that perform operations with 2 modifiers) registered.",
        "Debug: Modifier \"info\" (Modifier that reports system info) registered.",
        "Debug: Modifier \"log player\" (Player of motion captured files) registered.",
        "Debug: OK",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.end()), registered);

    // The show ends by itself at the end of its composition; SDL turns SIGTERM into the
    // quit event should it still be playing. Either way the program returns 0.
    kill(child.pid, SIGTERM);
    EXPECT_EQ(ExitCode(child), 0);
}

TEST(MarloProgram, PlaysTheGeneratedMusicOnTheDummyDriverAndWithNoSound) {
    const std::string help = HelpText();
    const int noSound = DeviceNumber(help, "No sound");
    ASSERT_GE(noSound, 1) << help;
    const std::string noSoundArg = std::to_string(noSound);
    for (const char* device : {"0", noSoundArg.c_str()}) {
        int code = -1;
        const std::string err = PlayUntilStartedThenTerminate({"--windowed", "--no-error-box", "--device", device}, &code);
        EXPECT_EQ(code, 0) << err;
        EXPECT_NE(err.find("Debug: start: 0"), std::string::npos) << err;
        for (const char* failure : {"Can't load the music", "No se puede reproducir", "Can't initialize", "ERROR"})
            EXPECT_EQ(err.find(failure), std::string::npos) << "device " << device << ":\n" << err;
    }

    // One past the list is refused before anything opens.
    Child bad = StartMarlo({"--device", std::to_string(noSound + 1).c_str()});
    const std::string err = ReadAll(bad.err);
    EXPECT_EQ(ExitCode(bad), 2);
    EXPECT_NE(err.find("bad value for --device: " + std::to_string(noSound + 1)), std::string::npos) << err;
    EXPECT_NE(err.find(noSoundArg + " No sound)"), std::string::npos) << err;
}

TEST(MarloProgram, HelpListsTheOptionsAndBadValuesExitWithTwo) {
    Child help = StartMarlo({"--help"});
    ReadAll(help.err);
    EXPECT_EQ(ExitCode(help), 0);

    Child bad = StartMarlo({"--mode", "9x9x9"});
    const std::string err = ReadAll(bad.err);
    EXPECT_EQ(ExitCode(bad), 2);
    EXPECT_NE(err.find("9x9x9"), std::string::npos) << err;
}

// The release as the build names it, then the libraries as the program runs on them.
TEST(MarloProgram, VersionNamesTheReleaseAndTheLibrariesItRunsOn) {
    Child child = StartMarlo({"--version"}, STDOUT_FILENO);
    const std::string text = ReadAll(child.err);
    EXPECT_EQ(ExitCode(child), 0);
    const std::regex expected("marlo " MARLO_VERSION "\nSDL \\d+\\.\\d+\\.\\d+\nlibopenmpt \\d+\\.\\d+\\.\\d+\n"
                              "libpng \\d+\\.\\d+\\.\\d+\n");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

// --data names the folder and says why it cannot be used.
TEST(MarloProgram, DataFolderErrorsSayWhy) {
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("marlo_data_" + std::to_string(getpid()));
    std::filesystem::create_directories(root / "locked");
    std::ofstream(root / "file.txt") << "not a folder";
    chmod((root / "locked").c_str(), 0);
    struct Case {
        std::string folder;
        const char* reason;
    };
    std::vector<Case> cases = {{(root / "missing").string(), "not found"},
                               {(root / "file.txt" / "sub").string(), "not found"},
                               {(root / "file.txt").string(), "not a folder"}};
    // The superuser enters any folder.
    if (geteuid() != 0) cases.push_back({(root / "locked").string(), "permission denied"});
    for (const Case& c : cases) {
        std::string err;
        EXPECT_EQ(RunMarloToEnd({"--windowed", "--no-error-box", "--data", c.folder.c_str()}, &err), 2) << err;
        EXPECT_NE(err.find("marlo: cannot use the data folder " + c.folder + ": " + c.reason + "\n"), std::string::npos)
            << err;
    }
    chmod((root / "locked").c_str(), 0700);
    std::filesystem::remove_all(root);
}

// Without setup options, no display and a display that cannot be opened are the same
// case: one message, and the show plays with the defaults, windowed.
TEST(MarloProgram, WithoutADisplayItSaysSoAndPlaysTheDefaults) {
    for (const std::string& display : {std::string(), UnreachableDisplay()}) {
        SCOPED_TRACE("DISPLAY=" + display);
        int code = -1;
        const std::string err = PlayUntilStartedThenTerminate(
            {"--no-error-box"}, &code, {{"DISPLAY", display}, {"WAYLAND_DISPLAY", ""}, {"GDK_BACKEND", "x11"}});
        EXPECT_EQ(code, 0) << err;
        EXPECT_NE(err.find("Debug: Could not open the display: using the default setup, windowed\n"), std::string::npos)
            << err;
        EXPECT_NE(err.find("Debug: start: 0"), std::string::npos) << err;
    }
}

// Whether a window captioned as the setup dialog appears on the display within 30 s (a
// loaded machine starts a sanitized program slowly).
bool WaitForDialogWindow() {
    for (int tries = 0; tries < 300; ++tries) {
        if (std::system("xwininfo -root -tree 2>/dev/null | grep -q 'Marlo CODE!!!   VOSTRIN'") == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// Ctrl+C or SIGTERM while the setup dialog waits: the program ends at once as if the
// dialog were cancelled, without opening the show.
TEST(MarloProgram, AQuitSignalDuringTheSetupDialogEndsItNotAccepted) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no display for the dialog (run under xvfb-run)";
    if (std::system("command -v xwininfo > /dev/null") != 0) GTEST_SKIP() << "xwininfo (x11-utils) is missing";
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        // Without the leak check's driver preload: its signal handling is not the program's.
        Child child =
            StartMarlo({"--no-error-box"}, STDERR_FILENO, 0, {{"LD_PRELOAD", ""}, {"ASAN_OPTIONS", "detect_leaks=0"}});
        std::string text;
        for (std::string line; (line = ReadLine(child.err)) != "" || !std::feof(child.err);) {
            text += line + "\n";
            if (line == "Debug: KestDemoSystem OK.") break;
        }
        // A signal before the dialog is up takes another way (SDL's queue): wait for the
        // window itself, then signal until the program ends, giving up after 10 s.
        ASSERT_TRUE(WaitForDialogWindow()) << text;
        int status = 0;
        bool exited = false;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!exited && std::chrono::steady_clock::now() < until) {
            kill(child.pid, signal);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            exited = waitpid(child.pid, &status, WNOHANG) == child.pid;
        }
        if (!exited) {
            kill(child.pid, SIGKILL);
            waitpid(child.pid, &status, 0);
        }
        text += ReadAll(child.err);
        std::fclose(child.err);
        ASSERT_TRUE(exited) << "still waiting in the dialog:\n" << text;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << "\n" << text;
        EXPECT_EQ(text.find("Debug: start: 0"), std::string::npos) << text;
    }
}
