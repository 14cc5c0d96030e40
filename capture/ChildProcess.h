// Another program run beside this one (ffmpeg), with its standard input fed by us or its
// standard error kept for a message. The implementation is the platform's.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    // Closes the input and waits for the program.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The full path of `program` found on PATH, or empty.
    static std::string Find(const std::string& program);

    // Starts argv[0] (searched on PATH) with argv. With `feedInput` its standard input is a
    // pipe for Write; with `keepErrors` its standard error is kept for Wait (otherwise it
    // shares ours). False with *error when it cannot start.
    bool Start(const std::vector<std::string>& argv, bool feedInput, bool keepErrors, std::string* error);
    // Ends the program at once (a write blocked on its input then fails); any thread, while
    // the program runs.
    void Kill();
    // Writes to the program's input; false with *error when it is gone.
    bool Write(const void* data, size_t size, std::string* error);
    // Closes its input, waits for it to end; its exit status (-1 when it did not exit
    // normally). *errors gets what it wrote to standard error when kept.
    int Wait(std::string* errors = nullptr);

private:
    int m_pid = -1;
    int m_input = -1;
    int m_errors = -1;
};

// Makes the signals that failed writes raise (a reader gone, a file over the size limit)
// come back as write errors instead of ending the program.
void ReportWriteFailuresAsErrors();

// Whether standard error is a terminal (a progress line can then be redrawn in place).
bool StandardErrorIsTerminal();
