// Fuzz harness for the value log reader: any bytes, read as a log file, must be refused or
// read without a crash, a hang, a read outside the data or an allocation the file does not
// justify; whatever was read is then played over a range of times, as the log player would.
#include "CValueLog.h"
#include "KLFile.h"
#include "KLLog.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Reports of refused files are expected by the thousand: keep them off the terminal.
class Quiet : public KL::LogOutput {
public:
    void Write(const char*) override {}
    void ShowErrorBox(const char*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Quiet quiet;
    static const int fd = [] {
        KL::SetLogOutput(&quiet);
        KL::SetErrorBoxesEnabled(false);
        return memfd_create("log", 0);
    }();
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;

    FileReader reader;
    CValueLog log;
    if (!reader.Open(path.c_str())) return 0;
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
