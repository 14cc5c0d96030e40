// Child processes with posix_spawn: pipes for input and errors, SIGPIPE ignored so that a
// program that dies turns our writes into errors instead of ending us.
#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

void CloseFd(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (m_pid > 0) Wait();
}

std::string ChildProcess::Find(const std::string& program) {
    if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0 ? program : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t at = 0;
    while (at <= folders.size()) {
        size_t end = folders.find(':', at);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(at, end - at);
        if (folder.empty()) folder = ".";
        const std::string candidate = folder + "/" + program;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        at = end + 1;
    }
    return std::string();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, bool feedInput, bool keepErrors, std::string* error) {
    if (argv.empty()) return false;
    std::signal(SIGPIPE, SIG_IGN);
    int input[2] = {-1, -1};
    int errors[2] = {-1, -1};
    // Close-on-exec, so that no other child inherits them; the copies made for the child's
    // standard streams stay open.
    if ((feedInput && pipe2(input, O_CLOEXEC) != 0) || (keepErrors && pipe2(errors, O_CLOEXEC) != 0)) {
        if (error) *error = std::string("cannot start ") + argv[0] + ": " + std::strerror(errno);
        for (int* fd : {&input[0], &input[1], &errors[0], &errors[1]}) CloseFd(fd);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (feedInput) {
        posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    if (keepErrors) {
        posix_spawn_file_actions_adddup2(&actions, errors[1], 2);
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int code = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    CloseFd(&input[0]);
    CloseFd(&errors[1]);
    if (code != 0) {
        if (error) *error = std::string("cannot start ") + argv[0] + ": " + std::strerror(code);
        CloseFd(&input[1]);
        CloseFd(&errors[0]);
        return false;
    }
    m_pid = pid;
    m_input = input[1];
    m_errors = errors[0];
    return true;
}

bool ChildProcess::Write(const void* data, size_t size, std::string* error) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t done = m_input >= 0 ? write(m_input, bytes, size) : (errno = EPIPE, -1);
        if (done < 0) {
            if (errno == EINTR) continue;
            if (error) *error = std::strerror(errno);
            return false;
        }
        bytes += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

void ChildProcess::Kill() {
    if (m_pid > 0) kill(m_pid, SIGKILL);
}

int ChildProcess::Wait(std::string* errors) {
    CloseFd(&m_input);
    if (m_errors >= 0) {
        char buffer[4096];
        ssize_t got;
        while ((got = read(m_errors, buffer, sizeof(buffer))) != 0) {
            if (got < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (errors) errors->append(buffer, static_cast<size_t>(got));
        }
        CloseFd(&m_errors);
    }
    if (m_pid <= 0) return -1;
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ReportWriteFailuresAsErrors() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

bool StandardErrorIsTerminal() { return isatty(2) == 1; }
