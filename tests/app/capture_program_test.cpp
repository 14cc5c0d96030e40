// marlo --capture and --video as a demo maker runs them: the same bytes every run, the
// frame count and the soundtrack the clock promises, the module's own samples, pictures
// that match the references, and clear failures that leave no half-written file.
#include "CaptureSession.h"
#include "KSModule.h"
#include "MarloProcess.h"
#include "PictureDifference.h"
#include "PngPicture.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<char> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// The folder's file names, sorted.
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// 16-bit stereo samples of a WAV written by the capture (44-byte header).
std::vector<int16_t> WavSamples(const fs::path& path) {
    const std::vector<char> bytes = Bytes(path);
    std::vector<int16_t> samples(bytes.size() > 44 ? (bytes.size() - 44) / 2 : 0);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[44 + 2 * i]) |
                                          (static_cast<uint8_t>(bytes[45 + 2 * i]) << 8));
    }
    return samples;
}

bool HaveFfmpeg() { return std::system("command -v ffmpeg > /dev/null 2>&1") == 0; }

using Capture = TempDirTest;

TEST_F(Capture, IsTheSameEveryRunWithTheClocksFramesAndTheModulesOwnSamples) {
    const std::string a = PathOf("a"), b = PathOf("b");
    for (const std::string& folder : {a, b}) {
        std::string errors;
        ASSERT_EQ(0, RunMarloToEnd({"--capture", folder.c_str(), "--until", "2", "--mode", "512x384x32"}, &errors))
            << errors;
    }
    // 2 s at 25 frames per second: ticks 0 to 50, the last one at 2000 ms.
    const uint64_t frames = CaptureSession::ExpectedFrames(2000, 25);
    ASSERT_EQ(51u, frames);
    const std::vector<std::string> names = Names(a);
    ASSERT_EQ(frames + 1, names.size());
    EXPECT_EQ("frame_000000.png", names.front());
    EXPECT_EQ("frame_000050.png", names[frames - 1]);
    EXPECT_EQ("soundtrack.wav", names.back());
    for (const std::string& name : names) EXPECT_EQ(Bytes(fs::path(a) / name), Bytes(fs::path(b) / name)) << name;

    // Tick n holds the samples from floor(44100 n / 25): 51 ticks, 89964 frames, exactly
    // what the back end renders from the start of the module.
    const std::vector<int16_t> wav = WavSamples(fs::path(a) / "soundtrack.wav");
    ASSERT_EQ(2u * 44100 * frames / 25, wav.size());
    std::string why;
    std::unique_ptr<KSModule> module = KSModule::Load(MARLO_DATA_DIR "/4beat.xm", &why);
    ASSERT_TRUE(module) << why;
    std::vector<int16_t> expected(wav.size());
    module->Render(expected.size() / 2, expected.data());
    EXPECT_EQ(expected, wav);
    const Picture first = ReadPng(fs::path(a) / "frame_000000.png");
    EXPECT_EQ(512u, first.width);
    EXPECT_EQ(384u, first.height);
}

// The show ends by itself at 134 s: at 25 frames per second, ticks 0 to 3350 and the sound
// of exactly those ticks.
TEST_F(Capture, TheWholeShowIs134SecondsOfFramesAndSound) {
    const std::string folder = PathOf("whole");
    std::string errors;
    ASSERT_EQ(0, RunMarloToEnd({"--capture", folder.c_str(), "--mode", "512x384x32"}, &errors)) << errors;
    const std::vector<std::string> names = Names(folder);
    ASSERT_EQ(134u * 25 + 1 + 1, names.size());
    EXPECT_EQ("frame_003350.png", names[names.size() - 2]);
    const double seconds = double(WavSamples(fs::path(folder) / "soundtrack.wav").size() / 2) / 44100.0;
    EXPECT_NEAR(134.0, seconds, 1.0 / 25);
    EXPECT_NE(std::string::npos, errors.find("captured 3351 frames and soundtrack.wav into " + folder)) << errors;
}

// Frames at 1, 10 and 30 s of the show against references kept with the tests; a few
// pixels may differ where another rasteriser rounds an edge differently.
TEST_F(Capture, FramesMatchTheReferencePictures) {
    const std::string folder = PathOf("golden");
    std::string errors;
    ASSERT_EQ(0, RunMarloToEnd({"--capture", folder.c_str(), "--until", "30", "--fps", "2", "--mode", "640x480x32"},
                               &errors))
        << errors;
    const struct {
        const char* frame;
        const char* reference;
    } cases[] = {{"frame_000002.png", "show_01s.png"}, {"frame_000020.png", "show_10s.png"},
                 {"frame_000060.png", "show_30s.png"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reference);
        const Picture got = ReadPng(fs::path(folder) / c.frame);
        const Picture want = ReadPng(std::string(MARLO_GOLDEN_DIR "/") + c.reference);
        ASSERT_EQ(640u, want.width);
        ASSERT_EQ(want.width, got.width);
        ASSERT_EQ(want.height, got.height);
        const PictureDifference difference = ComparePictures(got, want);
        const size_t pixels = want.rgb.size() / 3;
        EXPECT_LT(difference.pixelsFarOff, pixels / 200) << "pixels far off";
        EXPECT_LT(difference.meanDifference, 1.0) << "mean difference";
        EXPECT_TRUE(difference.WithinTolerance(pixels));
    }
}

TEST_F(Capture, BadTargetsStopBeforeTheRunAndAFullDiskDuringItLeavesNoHalfWrittenFile) {
    const std::string file = WriteBytes("plain-file", std::string("x"));
    const std::string full = PathOf("full");
    const std::string unknownKind = PathOf("show.nosuchformat"), fullVideo = PathOf("full.mp4");
    struct Case {
        std::vector<const char*> args;
        long fileSizeLimit;
        int code;
        const char* message;
        bool needsFfmpeg;
    } cases[] = {
        {{"--capture", file.c_str()}, 0, 2, "marlo: cannot make the capture folder", false},
        {{"--capture", full.c_str(), "--fps", "241"}, 0, 2, "marlo: bad value for --fps: 241", false},
        {{"--video", unknownKind.c_str()}, 0, 2, "marlo: ffmpeg cannot write a video to", true},
        // Frames of this show take tens of kilobytes: the first one finds the disk full.
        {{"--capture", full.c_str(), "--until", "1"}, 20000, 1, "marlo: capture failed: cannot write", false},
        {{"--video", fullVideo.c_str(), "--until", "1"}, 20000, 1, "marlo: capture failed: cannot write",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        if (c.needsFfmpeg && !HaveFfmpeg()) continue;
        std::string errors;
        EXPECT_EQ(c.code, RunMarloToEnd(c.args, &errors, c.fileSizeLimit));
        EXPECT_NE(std::string::npos, errors.find(c.message)) << errors;
    }
    // Without ffmpeg on the path, --video says so before anything runs.
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", PathOf("").c_str(), 1);
    std::string errors;
    EXPECT_EQ(2, RunMarloToEnd({"--video", fullVideo.c_str()}, &errors));
    setenv("PATH", path.c_str(), 1);
    EXPECT_NE(std::string::npos, errors.find("marlo: --video needs ffmpeg, which is not installed")) << errors;
    // Only what was whole got its name: no temporaries, no soundtrack, no video.
    for (const std::string& name : Names(PathOf(""))) {
        EXPECT_EQ(std::string::npos, name.find(".tmp")) << name;
        EXPECT_EQ(std::string::npos, name.find(".part")) << name;
        EXPECT_NE("full.mp4", name);
    }
    if (fs::exists(full)) {
        EXPECT_FALSE(fs::exists(fs::path(full) / "soundtrack.wav"));
    }
}

// PNG files under a folder, at any depth.
size_t PngFiles(const fs::path& folder) {
    size_t count = 0;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ec)) count += entry.path().extension() == ".png";
    return count;
}

TEST_F(Capture, VideoHoldsThePicturesAndTheSoundtrack) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    const std::string video = PathOf("show.mp4");
    std::string errors;
    // The frames go straight into the video: no PNG is written, not even in the data folder.
    const size_t dataPngs = PngFiles(MARLO_DATA_DIR);
    ASSERT_EQ(0, RunMarloToEnd({"--video", video.c_str(), "--until", "1", "--mode", "512x384x32"}, &errors)) << errors;
    EXPECT_EQ(PngFiles(MARLO_DATA_DIR), dataPngs);
    const std::string probe = "ffprobe -v error -show_entries stream=codec_type,codec_name,nb_read_frames,duration "
                              "-count_frames -of csv=p=0 '" + video + "' > '" + PathOf("probe.txt") + "'";
    ASSERT_EQ(0, std::system(probe.c_str()));
    const std::vector<char> text = Bytes(PathOf("probe.txt"));
    const std::string streams(text.begin(), text.end());
    // 26 frames of 40 ms (the first at 0, the last at 1 s), and the sound as long.
    EXPECT_NE(std::string::npos, streams.find("h264,video,1.040000,26")) << streams;
    EXPECT_NE(std::string::npos, streams.find("aac,audio,1.0")) << streams;
    // Nothing but the video is left beside it.
    EXPECT_EQ((std::vector<std::string>{"probe.txt", "show.mp4"}), Names(PathOf("")));
}

}  // namespace

namespace {

// An ffmpeg that passes the trial encode and then never reads a frame: a stalled encoder.
std::string StalledFfmpeg(const std::string& folder) {
    const std::string path = folder + "/ffmpeg";
    std::ofstream(path) << "#!/bin/sh\n"
                           "case \"$*\" in *lavfi*) exit 0 ;; esac\n"
                           "exec sleep 600 > /dev/null 2>&1\n";  // our error pipe must not outlive marlo
    fs::permissions(path, fs::perms::owner_all);
    return folder;
}

TEST_F(Capture, SigtermEndsACaptureWhoseEncoderStoppedReading) {
    fs::create_directories(PathOf("bin"));
    const std::string bin = StalledFfmpeg(PathOf("bin"));
    const std::string video = PathOf("show.mp4");
    const char* path = std::getenv("PATH");
    Child child = StartMarlo({"--video", video.c_str(), "--until", "120", "--mode", "512x384x32"}, STDERR_FILENO, 0,
                             {{"PATH", bin + ":" + (path ? path : "/usr/bin:/bin")}});
    ASSERT_GT(child.pid, 0);
    std::string errors;
    std::thread reader([&] { errors = ReadAll(child.err); });
    // Long enough for the frames in flight to fill up behind the stalled encoder.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    kill(child.pid, SIGTERM);
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) {
        ended = waitpid(child.pid, &status, WNOHANG) == child.pid;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!ended) {
        kill(child.pid, SIGKILL);
        waitpid(child.pid, &status, 0);
    }
    reader.join();
    std::fclose(child.err);
    ASSERT_TRUE(ended) << "still running 10 s after SIGTERM\n" << errors;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << errors;
    EXPECT_NE(errors.find("marlo: capture failed: "), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(video));
}

}  // namespace
