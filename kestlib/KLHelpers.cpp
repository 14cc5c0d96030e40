#include "KLHelpers.h"

#include <cstdlib>
#include <cstring>

float RandomRange(float min, float max) {
    // 32767 * 0.0000305 is just below 1, so max itself is never reached.
    const int r = std::rand() & 0x7FFF;
    return min + static_cast<float>(r) * (max - min) * 0.0000305f;
}

char* DuplicateString(const char* text) {
    if (!text) return nullptr;
    const size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}
