// Times in show files: seconds ("12.5" or a number), minutes and seconds ("1:02.5"), or a
// position of the show's module, "@order:row", which the caller resolves through the module.
#pragma once

#include <cstdint>
#include <string>

struct ShowTimeText {
    enum Form { kSeconds, kMusic };
    Form form = kSeconds;
    double seconds = 0.0;  // kSeconds
    int32_t order = 0;     // kMusic
    int32_t row = 0;
};

// The longest show time: a day, well inside the 32-bit millisecond clock.
constexpr double kMaxShowSeconds = 86400.0;

// Reads a time text. False with *why ("expected seconds (12.5), minutes and seconds
// (1:02.5) or a music position (@3:16)") for anything else, a negative or too large time.
bool ParseShowTime(const std::string& text, ShowTimeText* out, std::string* why);

// Seconds as whole milliseconds of show time, rounded to the nearest.
uint32_t ShowMilliseconds(double seconds);

// "2:14", "1:02.500": milliseconds as a person reads them, for messages and summaries.
std::string FormatShowTime(uint32_t milliseconds);
