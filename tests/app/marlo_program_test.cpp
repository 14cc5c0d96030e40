// The marlo program as a user starts it: headless, its first trace lines, and a clean
// exit when asked to quit.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Child {
    pid_t pid = -1;
    FILE* err = nullptr;
};

// Starts marlo with its standard error on a pipe.
Child StartMarlo() {
    int fds[2];
    if (pipe(fds) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // The show's objects live until the process ends by design; leaks are checked in
        // the framework's own tests.
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        execl(MARLO_BINARY, MARLO_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    return {pid, fdopen(fds[0], "r")};
}

std::string ReadLine(FILE* f) {
    std::string line;
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n') line += static_cast<char>(c);
    return line;
}

}  // namespace

TEST(MarloProgram, AnnouncesTheRegistryThenKestLibAndQuitsCleanly) {
    Child child = StartMarlo();
    ASSERT_GT(child.pid, 0);
    ASSERT_NE(child.err, nullptr);
    std::vector<std::string> lines;
    for (int i = 0; i < 6; ++i) lines.push_back(ReadLine(child.err));
    const std::vector<std::string> expected = {
        "Debug: Implementation 'class _KL::CCoinManager1' for 'class KL::ICoinManager' defined.",
        "Debug: Implementation 'class _KL::Hacking::CSystemController_SDL' for 'class KL::Hacking::ISystemController' defined.",
        "Debug: Implementation 'class _KL::CBitmap' for 'class KL::IBitmap' defined.",
        "Debug: Implementation 'class _KL::WindowSDL' for 'class KL::Window' defined.",
        "Debug: KestLib Initialized",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5), expected);
    // The window's OpenGL context comes next; by then the loop is about to run.
    EXPECT_EQ(lines[5].rfind("Debug: Found: '", 0), 0u) << lines[5];

    // SDL turns SIGTERM into its quit event: the loop ends and the program returns 0.
    kill(child.pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child.pid, &status, 0), child.pid);
    std::fclose(child.err);
    ASSERT_TRUE(WIFEXITED(status)) << "marlo did not exit by itself";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
