// The marlo program run as a user runs it: a child process on SDL's offscreen and dummy
// drivers with one of its streams on a pipe. MARLO_BINARY names the program.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct Child {
    pid_t pid = -1;
    FILE* err = nullptr;  // the piped stream
};

// Starts marlo with the arguments and one of its streams (standard error unless said) on
// a pipe. A `fileSizeLimit` above 0 caps every file it writes (bytes), as a full disk would.
// `env` sets variables for it (an empty value removes the variable).
using Environment = std::vector<std::pair<std::string, std::string>>;
inline Child StartMarlo(std::vector<const char*> args, int stream = STDERR_FILENO, long fileSizeLimit = 0,
                        const Environment& env = {}) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], stream);
        close(fds[0]);
        close(fds[1]);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // Leak checking (and the driver preload it needs) comes from the test's environment:
        // the show's objects are held by its singletons until the process ends, which is not a
        // leak.
        for (const auto& [name, value] : env) {
            if (value.empty()) {
                unsetenv(name.c_str());
            } else {
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        if (fileSizeLimit > 0) {
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        args.insert(args.begin(), MARLO_BINARY);
        args.push_back(nullptr);
        execv(MARLO_BINARY, const_cast<char* const*>(args.data()));
        _exit(127);
    }
    close(fds[1]);
    return {pid, fdopen(fds[0], "r")};
}

inline std::string ReadLine(FILE* f) {
    std::string line;
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n') line += static_cast<char>(c);
    return line;
}

inline std::string ReadAll(FILE* f) {
    std::string text;
    int c;
    while ((c = std::fgetc(f)) != EOF) text += static_cast<char>(c);
    return text;
}

// Waits for the child and returns its exit code, or -1 when it did not exit by itself.
inline int ExitCode(Child& child) {
    int status = 0;
    if (waitpid(child.pid, &status, 0) != child.pid) return -1;
    std::fclose(child.err);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs marlo to its end; its exit code, and its standard error in *errors.
inline int RunMarloToEnd(std::vector<const char*> args, std::string* errors = nullptr, long fileSizeLimit = 0) {
    Child child = StartMarlo(std::move(args), STDERR_FILENO, fileSizeLimit);
    const std::string text = ReadAll(child.err);
    if (errors) *errors = text;
    return ExitCode(child);
}
