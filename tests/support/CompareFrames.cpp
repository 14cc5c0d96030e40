// compare_frames WANT_DIR GOT_DIR: compares every frame_*.png of WANT_DIR with the frame of
// the same name in GOT_DIR (a capture of the same show with the same flags on another
// platform) by the tolerance of the reference-frame tests. Prints the worst frame; exits 0
// when every frame is within tolerance, 1 when one is not or is missing, 2 on bad use.
#include "PictureDifference.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: compare_frames WANT_DIR GOT_DIR\n");
        return 2;
    }
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(argv[1], ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("frame_", 0) == 0 && it->path().extension() == ".png") names.push_back(name);
    }
    if (ec || names.empty()) {
        std::fprintf(stderr, "compare_frames: no frames in %s\n", argv[1]);
        return 2;
    }
    int bad = 0;
    double worstMean = 0.0;
    std::string worstName;
    for (const std::string& name : names) {
        const Picture want = ReadPng((fs::path(argv[1]) / name).string());
        const Picture got = ReadPng((fs::path(argv[2]) / name).string());
        if (got.rgb.empty()) {
            std::fprintf(stderr, "compare_frames: %s is missing or unreadable in %s\n", name.c_str(), argv[2]);
            ++bad;
            continue;
        }
        const PictureDifference d = ComparePictures(got, want);
        if (!d.WithinTolerance(want.rgb.size() / 3)) {
            std::fprintf(stderr, "compare_frames: %s differs: %zu pixels far off, mean difference %.3f\n", name.c_str(),
                         d.pixelsFarOff, d.meanDifference);
            ++bad;
        }
        if (d.meanDifference >= worstMean) {
            worstMean = d.meanDifference;
            worstName = name;
        }
    }
    std::printf("compare_frames: %zu frames, %d outside the tolerance; largest mean difference %.3f (%s)\n",
                names.size(), bad, worstMean, worstName.c_str());
    return bad == 0 ? 0 : 1;
}
