// Fuzz harness for the value log reader: any bytes, read as a log file, must be refused or
// read without a crash, a hang, a read outside the data or an allocation the file does not
// justify; whatever was read is then played over a range of times, as the log player would.
#include "CValueLog.h"
#include "KLFile.h"
#include "FuzzInput.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Quiet();
    const char* path = fuzz::AsFile(data, size);
    if (!path) return 0;

    FileReader reader;
    CValueLog log;
    if (!reader.Open(path)) return 0;
    reader.ReadObject(&log);
    // A damaged log still plays what it kept: every time must give a table value or 0.0.
    const int32_t duration = log.GetDuration();
    const int32_t after = duration < INT32_MAX ? duration + 1 : duration;
    for (int32_t t : {INT32_MIN, -1, 0, 1, 16, 17, 1000, duration - 1, duration, after, INT32_MAX}) {
        volatile float value = log.At(t);
        (void)value;
    }
    for (int32_t t = 0; t < 2000; t += 7) {
        volatile float value = log.At(t);
        (void)value;
    }
    // Playback at the duration reads the last entry, whatever the rate.
    const std::vector<float>& table = log.GetTable();
    const float last = log.At(duration);
    if (!table.empty() && std::memcmp(&last, &table.back(), sizeof last) != 0) __builtin_trap();
    return 0;
}
