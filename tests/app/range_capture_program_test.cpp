// Captures of a time range: --start A --until B writes the frames and the soundtrack
// samples a whole capture has for those ticks, byte for byte, so that ranges captured
// anywhere add up to the whole capture.
#include "CaptureSession.h"
#include "KSSongTimes.h"
#include "MarloProcess.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using RangeCapture = TempDirTest;

std::string Slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string Frame(const std::string& folder, int n) {
    char name[32];
    std::snprintf(name, sizeof(name), "/frame_%06d.png", n);
    return folder + name;
}

// The samples of a 16-bit stereo WAV as the capture writes it (a 44-byte header).
std::string Samples(const std::string& wav) { return Slurp(wav).substr(44); }

size_t Files(const std::string& folder) {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) count += entry.is_regular_file();
    return count;
}

void Capture(std::vector<const char*> args, const std::string& folder) {
    std::string errors;
    args.insert(args.end(), {"--capture", folder.c_str(), "--mode", "512x384x32", "--fps", "25"});
    ASSERT_EQ(0, RunMarloToEnd(args, &errors)) << errors;
}

TEST_F(RangeCapture, ThirtyToThirtyTwoSecondsAreTheWholeCapturesTicksByteForByte) {
    for (const char* show : {"default", "showcase"}) {
        const std::string whole = PathOf(std::string(show) + "-whole"), range = PathOf(std::string(show) + "-range");
        Capture({"--show", show, "--until", "32"}, whole);
        Capture({"--show", show, "--start", "30", "--until", "32"}, range);
        EXPECT_EQ(Files(range), 52u) << show << ": frames 750 to 800 and the soundtrack";
        for (int n = 750; n <= 800; ++n) {
            ASSERT_TRUE(Slurp(Frame(whole, n)) == Slurp(Frame(range, n))) << show << ": frame " << n;
        }
        // Tick 750 starts at sample 44100 * 750 / 25, four bytes a sample frame.
        const std::string all = Samples(whole + "/soundtrack.wav");
        EXPECT_TRUE(all.substr(44100u * 750 / 25 * 4) == Samples(range + "/soundtrack.wav")) << show;
    }
}

TEST_F(RangeCapture, TwoRangesThatMeetAreTheWholeCapture) {
    const std::string whole = PathOf("whole"), first = PathOf("first"), second = PathOf("second");
    Capture({"--show", "showcase", "--until", "4"}, whole);
    // The first range ends one tick before the second starts (2 s is tick 50).
    Capture({"--show", "showcase", "--until", "1.96"}, first);
    Capture({"--show", "showcase", "--start", "2", "--until", "4"}, second);
    for (int n = 0; n <= 100; ++n) {
        const std::string part = n < 50 ? first : second;
        ASSERT_TRUE(Slurp(Frame(whole, n)) == Slurp(Frame(part, n))) << "frame " << n;
    }
    EXPECT_TRUE(Samples(whole + "/soundtrack.wav") ==
                Samples(first + "/soundtrack.wav") + Samples(second + "/soundtrack.wav"));
}

TEST_F(RangeCapture, AMusicPositionStartsTheRangeAtTheFirstTickOfItsRow) {
    std::string why;
    const auto song = KSSongTimes::Load(MARLO_DATA_DIR "/4beat.xm", &why);
    ASSERT_TRUE(song) << why;
    double seconds = 0.0;
    ASSERT_TRUE(song->GetRowTime(1, 8, &seconds, &why)) << why;
    const uint64_t first = CaptureSession::FirstTickAt(static_cast<uint32_t>(seconds * 1000.0 + 0.5), 25);
    const std::string folder = PathOf("row");
    const std::string until = std::to_string(seconds + 0.1);
    Capture({"--start", "@1:8", "--until", until.c_str()}, folder);
    EXPECT_TRUE(std::filesystem::exists(Frame(folder, static_cast<int>(first))));
    EXPECT_FALSE(std::filesystem::exists(Frame(folder, static_cast<int>(first) - 1)));
}

TEST_F(RangeCapture, ARangeOutsideTheShowIsRefused) {
    std::string errors;
    EXPECT_EQ(2, RunMarloToEnd({"--capture", PathOf("late").c_str(), "--start", "2:14"}, &errors));
    EXPECT_NE(errors.find("marlo: --start 2:14 is at or after the show's end (2:14)"), std::string::npos) << errors;
    EXPECT_EQ(2, RunMarloToEnd({"--capture", PathOf("never").c_str(), "--start", "@99:0"}, &errors));
    EXPECT_NE(errors.find("marlo: bad value for --start: @99:0"), std::string::npos) << errors;
}

}  // namespace
