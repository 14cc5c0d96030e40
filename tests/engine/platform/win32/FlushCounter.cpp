// glFlush is reached through opengl32's import slot, so the slot is what the link wraps
// (-Wl,--wrap=__imp_glFlush): every flush goes through the counter, then to the real one.
#include "KLWindowsApi.h"

int g_flushes = 0;

using FlushProc = void(WINAPI*)();

extern "C" {
extern FlushProc __real___imp_glFlush;
extern FlushProc __wrap___imp_glFlush;
}

namespace {
void WINAPI CountingFlush() {
    ++g_flushes;
    __real___imp_glFlush();
}
}  // namespace

FlushProc __wrap___imp_glFlush = &CountingFlush;
