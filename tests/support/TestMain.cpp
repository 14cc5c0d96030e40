// Test entry. Every test runs headless (PlatformTest.h), and nobody is there to answer an
// error box.
#include "KLLog.h"
#include "PlatformTest.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Sanitizer settings of the test programs. Leak checking is off by default: the GL driver
// keeps allocations until exit in code without frame pointers, and the slow unwinder that
// could attribute them deadlocks against llvmpipe's JIT. CTest runs the suites that never
// draw once more with leak checking on (ASAN_OPTIONS=detect_leaks=1).
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libSDL2\nleak:libEGL\nleak:libGLX\nleak:libgallium\nleak:swrast_dri\nleak:libLLVM\n"
           "leak:libdbus\nleak:libX11\nleak:libfontconfig\n";
}
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

int main(int argc, char** argv) {
    PrepareHeadlessPlatform();
    KL::SetErrorBoxesEnabled(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
