// Small free helpers of the framework.
#pragma once

// The framework's random numbers, 0 to 32767 like the C runtime's rand(), from a generator
// of its own (the C standard's example generator), so that a show draws the same numbers
// on every platform and its captures match. Starts as if seeded with 1. Main thread only.
int Random();
void SeedRandom(unsigned seed);
// The generator's state now: SeedRandom with it draws the same numbers again.
unsigned CurrentRandomSeed();

// A pseudo-random float in [min, max) up to rounding, from the low 15 bits of Random().
float RandomRange(float min, float max);

// A copy of the text with its terminator, allocated with new[]; the caller owns it and
// frees it with delete[]. A null text gives null.
char* DuplicateString(const char* text);
