// The marlo program as a user starts it: headless, its first trace lines, and a clean
// exit when asked to quit.
#include "MarloProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
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
std::string PlayUntilStartedThenTerminate(std::vector<const char*> args, int* code) {
    Child child = StartMarlo(std::move(args));
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
