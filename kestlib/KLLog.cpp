// Formatting for the diagnostic channels. Messages of any length are formatted whole
// (an OpenGL extension string alone runs to thousands of characters).
#include "KLLog.h"

#include "platform/KLPlatform.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The test hook and the no-box switch are the only state of the log; both are plain
// atomics so that constant initialisation makes them usable from static constructors.
std::atomic<KL::LogOutput*> g_output{nullptr};
std::atomic<bool> g_boxesEnabled{true};
// Depth of KL::TraceOnlyErrors scopes on this thread.
thread_local int t_traceOnly = 0;

// Whether the format ends in a "%" that starts no conversion (an odd run of them at the
// end). C libraries differ: some refuse such a format, others drop the "%".
bool EndsInLonePercent(const char* format) {
    size_t run = 0;
    for (const char* c = format + std::strlen(format); c != format && c[-1] == '%'; --c) ++run;
    return run % 2 == 1;
}

std::string FormatV(const char* format, va_list args) {
    if (EndsInLonePercent(format)) return std::string(format);
    va_list copy;
    va_copy(copy, args);
    char small[512];
    int n = vsnprintf(small, sizeof(small), format, copy);
    va_end(copy);
    // A format printf cannot take (a trailing "%") is shown as it was written rather
    // than lost.
    if (n < 0) return std::string(format);
    if (static_cast<size_t>(n) < sizeof(small)) return std::string(small, static_cast<size_t>(n));
    std::string text(static_cast<size_t>(n) + 1, '\0');
    vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<size_t>(n));
    return text;
}

}  // namespace

void DebugOutput(const char* text) {
    if (KL::LogOutput* out = g_output.load()) {
        out->Write("Debug: ");
        out->Write(text);
        out->Write("\n");
        return;
    }
    KL::Platform::DebugWrite("Debug: ");
    KL::Platform::DebugWrite(text);
    KL::Platform::DebugWrite("\n");
}

void ErrorBox(const char* text) {
    if (KL::LogOutput* out = g_output.load()) {
        out->ShowErrorBox(text);
        return;
    }
    KL::Platform::ShowErrorBox(text, g_boxesEnabled.load());
}

void LogMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    DebugOutput(text.c_str());
}

namespace {

void LogErrorV(bool showBox, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    if (showBox && t_traceOnly == 0) {
        std::string text = FormatV(format, args);
        ErrorBox(text.c_str());
    }
    // The caller's own format goes behind the bracketed word and is formatted again
    // with the same arguments, so the trace repeats the message after "[ERROR: ]: ".
    std::string traced = std::string("[ERROR: ]: ") + format;
    std::string line = FormatV(traced.c_str(), again);
    va_end(again);
    DebugOutput(line.c_str());
}

}  // namespace

void LogError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogErrorV(true, format, args);
    va_end(args);
}

void LogErrorOnce(bool* shown, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const bool first = !shown || !*shown;
    if (shown) *shown = true;
    LogErrorV(first, format, args);
    va_end(args);
}

namespace KL {

TraceOnlyErrors::TraceOnlyErrors(bool active) : m_active(active) {
    if (m_active) ++t_traceOnly;
}
TraceOnlyErrors::~TraceOnlyErrors() {
    if (m_active) --t_traceOnly;
}

void SetLogOutput(LogOutput* output) { g_output.store(output); }
void SetErrorBoxesEnabled(bool enabled) { g_boxesEnabled.store(enabled); }
bool ErrorBoxesEnabled() { return g_boxesEnabled.load(); }

}  // namespace KL
