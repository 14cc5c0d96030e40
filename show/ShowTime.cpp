#include "ShowTime.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kExpected =
    "expected seconds (12.5), minutes and seconds (1:02.5) or a music position (@order:row, such as @3:16)";

// Digits with an optional fraction, nothing else; false for an empty text.
bool ReadDecimal(const std::string& text, size_t from, size_t to, double* value) {
    if (from >= to) return false;
    double whole = 0.0, scale = 1.0, fraction = 0.0;
    bool digits = false, point = false;
    for (size_t i = from; i < to; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            if (point) {
                scale /= 10.0;
                fraction += (c - '0') * scale;
            } else {
                whole = whole * 10.0 + (c - '0');
                if (whole > 1e12) return false;
            }
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digits) return false;
    *value = whole + fraction;
    return true;
}

bool ReadWhole(const std::string& text, size_t from, size_t to, int32_t* value) {
    if (from >= to || to - from > 9) return false;
    int32_t n = 0;
    for (size_t i = from; i < to; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        n = n * 10 + (text[i] - '0');
    }
    *value = n;
    return true;
}

}  // namespace

bool ParseShowTime(const std::string& text, ShowTimeText* out, std::string* why) {
    ShowTimeText time;
    const size_t colon = text.find(':');
    bool ok = false;
    if (!text.empty() && text[0] == '@') {
        time.form = ShowTimeText::kMusic;
        ok = colon != std::string::npos && ReadWhole(text, 1, colon, &time.order) &&
             ReadWhole(text, colon + 1, text.size(), &time.row);
    } else if (colon == std::string::npos) {
        ok = ReadDecimal(text, 0, text.size(), &time.seconds);
    } else {
        int32_t minutes = 0;
        double seconds = 0.0;
        // Seconds are two digits before any fraction, below 60: "1:02.5", not "1:2" or "1:75".
        const size_t point = text.find('.', colon);
        const size_t secondsDigits = (point == std::string::npos ? text.size() : point) - colon - 1;
        ok = ReadWhole(text, 0, colon, &minutes) && secondsDigits == 2 &&
             ReadDecimal(text, colon + 1, text.size(), &seconds) && seconds < 60.0;
        time.seconds = minutes * 60.0 + seconds;
    }
    if (ok && time.form == ShowTimeText::kSeconds && time.seconds > kMaxShowSeconds) {
        if (why) *why = "a time of at most a day was expected, got " + text;
        return false;
    }
    if (!ok) {
        if (why) *why = std::string(kExpected) + ", got \"" + text + "\"";
        return false;
    }
    *out = time;
    return true;
}

uint32_t ShowMilliseconds(double seconds) {
    if (!(seconds > 0.0)) return 0;
    if (seconds > kMaxShowSeconds) seconds = kMaxShowSeconds;
    return static_cast<uint32_t>(std::llround(seconds * 1000.0));
}

std::string FormatShowTime(uint32_t milliseconds) {
    char text[48];
    const unsigned minutes = milliseconds / 60000;
    const unsigned seconds = milliseconds / 1000 % 60;
    const unsigned rest = milliseconds % 1000;
    if (rest == 0) {
        std::snprintf(text, sizeof(text), "%u:%02u", minutes, seconds);
    } else {
        std::snprintf(text, sizeof(text), "%u:%02u.%03u", minutes, seconds, rest);
    }
    return text;
}
