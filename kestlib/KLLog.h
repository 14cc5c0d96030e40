// The framework's two diagnostic channels: trace lines for a developer watching the
// debugger output (standard error here), and error reports that also stop the user with
// a modal box captioned "ERROR". Reporting never ends the program; callers decide what
// to do next. Both entry points may be called from any thread.
#pragma once

// Formats are checked as the C99 printf family: GCC calls it gnu_printf (its plain printf
// is the system's older one on Windows); clang knows it only as printf.
#if defined(__clang__)
#define KL_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KL_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#endif

// Formats a message and writes it as one trace line: "Debug: " + message + "\n".
void LogMessage(const char* format, ...) KL_PRINTF_FORMAT(1, 2);

// Formats a message, shows it in the "ERROR" box, and once the box is gone traces
// "Debug: [ERROR: ]: " + message + "\n".
void LogError(const char* format, ...) KL_PRINTF_FORMAT(1, 2);

// For reports that would repeat every frame: the first one (while *shown is false) is a
// full LogError and sets *shown; later ones only trace the same bracketed line.
void LogErrorOnce(bool* shown, const char* format, ...) KL_PRINTF_FORMAT(2, 3);

// Raw channels. DebugOutput writes "Debug: ", the text and "\n" as three separate writes.
void DebugOutput(const char* text);
// Shows a modal box captioned "ERROR" with a single OK button and waits for it. Where
// nobody can answer it (no display, boxes switched off) the text goes to standard error.
void ErrorBox(const char* text);

namespace KL {

// Where the raw channels end up. The platform provides the default; tests install a
// recording one. The output object is not owned and must outlive its installation.
class LogOutput {
public:
    virtual ~LogOutput() = default;
    // One raw debugger write (a part of a trace line).
    virtual void Write(const char* text) = 0;
    // One error box; returns when it has been dismissed.
    virtual void ShowErrorBox(const char* text) = 0;
};

// While one is alive (and active), LogError on this thread only traces its line: for a
// report that the caller has already shown in a box once and that would otherwise come
// back every frame from code that does not know it repeats itself.
class TraceOnlyErrors {
public:
    explicit TraceOnlyErrors(bool active = true);
    ~TraceOnlyErrors();
    TraceOnlyErrors(const TraceOnlyErrors&) = delete;
    TraceOnlyErrors& operator=(const TraceOnlyErrors&) = delete;

private:
    bool m_active;
};

// Installs an output for both channels; null goes back to the platform's own.
void SetLogOutput(LogOutput* output);

// Switches the modal box off (command line, capture runs, tests): the box text then goes
// to standard error and the caller goes on at once.
void SetErrorBoxesEnabled(bool enabled);
bool ErrorBoxesEnabled();

}  // namespace KL
