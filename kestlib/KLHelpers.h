// Small free helpers of the framework.
#pragma once

// A pseudo-random float in [min, max) up to rounding, from the low 15 bits of rand().
float RandomRange(float min, float max);

// A copy of the text with its terminator, allocated with new[]; the caller owns it and
// frees it with delete[]. A null text gives null.
char* DuplicateString(const char* text);
