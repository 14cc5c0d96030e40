// glFlush wrapped at link time (-Wl,--wrap=glFlush): every flush is counted.
int g_flushes = 0;

extern "C" void __real_glFlush();
extern "C" void __wrap_glFlush() {
    ++g_flushes;
    __real_glFlush();
}
