#include "KLHelpers.h"

#include <cstdint>
#include <cstring>

namespace {

uint32_t& RandomState() {
    static uint32_t state = 1;
    return state;
}

}  // namespace

int Random() {
    uint32_t& state = RandomState();
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state / 65536u) % 32768u);
}

void SeedRandom(unsigned seed) { RandomState() = seed; }

unsigned CurrentRandomSeed() { return RandomState(); }

float RandomRange(float min, float max) {
    // 32767 * 0.0000305 is just below 1, so max itself is never reached.
    const int r = Random() & 0x7FFF;
    return min + static_cast<float>(r) * (max - min) * 0.0000305f;
}

char* DuplicateString(const char* text) {
    if (!text) return nullptr;
    const size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}
