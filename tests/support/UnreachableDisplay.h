// An X display name that no server answers, for tests of starting without a display.
#pragma once

#include <unistd.h>

#include <string>

// The first display number from 97 on with neither a socket nor a lock file.
inline std::string UnreachableDisplay() {
    for (int n = 97;; ++n) {
        const std::string number = std::to_string(n);
        if (access(("/tmp/.X11-unix/X" + number).c_str(), F_OK) != 0 &&
            access(("/tmp/.X" + number + "-lock").c_str(), F_OK) != 0) {
            return ":" + number;
        }
    }
}
