// make_4beat: composes the show's soundtrack and writes it as a module file.
// Usage: make_4beat OUTPUT.xm. The result is the same, byte for byte, on every run.
#include "FourBeat.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "make_4beat: usage: make_4beat OUTPUT.xm\n");
        return 1;
    }
    try {
        std::string error;
        if (!xm::WriteFile(fourbeat::Compose(), argv[1], &error)) {
            std::fprintf(stderr, "make_4beat: %s\n", error.c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_4beat: %s\n", e.what());
        return 1;
    }
    return 0;
}
