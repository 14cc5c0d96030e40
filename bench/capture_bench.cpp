// The whole show captured offline, as a demo maker would: 640 by 480 at 30 frames per
// second into PNG frames and a WAV (with --video, into an MP4 through ffmpeg instead).
// Prints the wall time and, last, the capture's speed as a multiple of real time.
//
//   capture_bench [--video] [seconds of show, default all 134]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

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
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("marlo_capture_bench_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    const std::string target = video ? "--video '" + (folder / "show.mp4").string() + "'" : "--capture '" + folder.string() + "'";
    const std::string command = std::string("'") + MARLO_BINARY + "' " + target +
                                " --mode 640x480x32 --fps 30 --until " + std::to_string(seconds) + " > '" +
                                (fs::temp_directory_path() / "marlo_capture_bench.log").string() + "' 2>&1";

    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (status != 0) {
        std::fprintf(stderr, "capture failed (%d); see %s\n", status,
                     (fs::temp_directory_path() / "marlo_capture_bench.log").c_str());
        return 1;
    }
    std::printf("%.1f s of show at 640x480, 30 frames/s, %s: %.2f s\n", seconds, video ? "MP4" : "PNG + WAV", wall);
    std::printf("%.2fx real time\n", seconds / wall);
    return 0;
}
