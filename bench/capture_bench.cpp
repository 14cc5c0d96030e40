// The whole show captured offline, as a demo maker would: 640 by 480 at 30 frames per
// second, into PNG frames and a WAV; with --video, straight into an MP4 (no PNG written)
// and then into PNG frames and the MP4 together, so that the PNG encoding's share shows.
// Prints the wall times and, last, the speeds as multiples of real time.
//
//   capture_bench [--video] [seconds of show, default all 134]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Runs marlo with `target` for `seconds` of show; the wall time in seconds, or -1.
double Capture(const std::string& target, double seconds) {
    const fs::path log = fs::temp_directory_path() / "marlo_capture_bench.log";
    const std::string command = std::string("'") + MARLO_BINARY + "' " + target + " --mode 640x480x32 --fps 30 --until " +
                                std::to_string(seconds) + " > '" + log.string() + "' 2>&1";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != 0) {
        std::fprintf(stderr, "capture failed (%d); see %s\n", status, log.c_str());
        return -1.0;
    }
    return wall;
}

}  // namespace

int main(int argc, char** argv) {
    bool video = false;
    double seconds = 134.0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--video") == 0) {
            video = true;
        } else {
            seconds = std::atof(argv[i]);
            if (!(seconds > 0.0 && seconds <= 134.0)) {
                std::fprintf(stderr, "usage: capture_bench [--video] [seconds 0 to 134]\n");
                return 2;
            }
        }
    }
    const fs::path folder = fs::temp_directory_path() / ("marlo_capture_bench_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string frames = "--capture '" + (folder / "frames").string() + "'";
    const std::string mp4 = "--video '" + (folder / "show.mp4").string() + "'";
    int failed = 0;
    if (!video) {
        const double wall = Capture(frames, seconds);
        failed = wall < 0.0;
        if (!failed) {
            std::printf("%.1f s of show at 640x480, 30 frames/s, PNG + WAV: %.2f s\n", seconds, wall);
            std::printf("%.2fx real time\n", seconds / wall);
        }
    } else {
        const double only = Capture(mp4, seconds);
        std::error_code ec;
        fs::remove(folder / "show.mp4", ec);
        const double both = only < 0.0 ? -1.0 : Capture(frames + " " + mp4, seconds);
        failed = both < 0.0;
        if (!failed) {
            std::printf("%.1f s of show at 640x480, 30 frames/s: MP4 only %.2f s, PNG + WAV + MP4 %.2f s\n", seconds,
                        only, both);
            std::printf("MP4 only %.2fx real time, PNG + WAV + MP4 %.2fx real time\n", seconds / only, seconds / both);
        }
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    return failed ? 1 : 0;
}
