// The capture's files: the WAV's header and little-endian samples, the soundtrack's
// mixing by sample frame, PNG rows turned the right way up, failures that name the file
// and leave nothing behind, and the frame count and progress arithmetic.
#include "CaptureSession.h"
#include "OutputFile.h"
#include "PngWriter.h"
#include "Progress.h"
#include "Soundtrack.h"
#include "TempDirTest.h"
#include "VideoEncoder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::vector<uint8_t> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

std::vector<int16_t> Samples(const std::vector<uint8_t>& wav) {
    std::vector<int16_t> samples;
    for (size_t at = 44; at + 1 < wav.size(); at += 2) samples.push_back(static_cast<int16_t>(wav[at] | (wav[at + 1] << 8)));
    return samples;
}

using CaptureFiles = TempDirTest;

TEST_F(CaptureFiles, SoundtrackMixesByFrameSaturatesFillsGapsWithSilenceAndWritesAWav) {
    Soundtrack soundtrack;
    std::string error;
    const std::string path = PathOf("soundtrack.wav");
    ASSERT_TRUE(soundtrack.Open(path, 22050, &error)) << error;
    const int16_t a[] = {30000, -30000, 1, 2, 3, 4};
    const int16_t b[] = {5000, -5000, 10, 20, -300, 256};
    soundtrack.Mix(0, a, 3);
    soundtrack.Mix(2, b, 3);  // overlaps a's last frame
    ASSERT_TRUE(soundtrack.WriteUntil(2, &error));
    soundtrack.Mix(1, b, 2);  // frame 1 is written: only frame 2 of it counts
    ASSERT_TRUE(soundtrack.WriteUntil(6, &error));
    EXPECT_FALSE(std::filesystem::exists(path)) << "named before it is whole";
    ASSERT_TRUE(soundtrack.Finish(&error)) << error;

    const std::vector<uint8_t> wav = Bytes(path);
    ASSERT_EQ(44u + 6 * 4, wav.size());
    EXPECT_EQ(std::string("RIFF"), std::string(wav.begin(), wav.begin() + 4));
    EXPECT_EQ(36u + 24, Le32(wav, 4));
    EXPECT_EQ(std::string("WAVEfmt "), std::string(wav.begin() + 8, wav.begin() + 16));
    EXPECT_EQ(0x00020001u, Le32(wav, 20));  // PCM, 2 channels
    EXPECT_EQ(22050u, Le32(wav, 24));
    EXPECT_EQ(22050u * 4, Le32(wav, 28));
    EXPECT_EQ(0x00100004u, Le32(wav, 32));  // 4 bytes a frame, 16 bits
    EXPECT_EQ(24u, Le32(wav, 40));
    EXPECT_EQ((std::vector<int16_t>{30000, -30000, 1, 2, 3 + 5000 + 10, 4 - 5000 + 20, 10, 20, -300, 256, 0, 0}),
              Samples(wav));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    Soundtrack loud;
    ASSERT_TRUE(loud.Open(PathOf("loud.wav"), 44100, &error));
    loud.Mix(0, a, 1);
    loud.Mix(0, a, 1);
    ASSERT_TRUE(loud.WriteUntil(1, &error) && loud.Finish(&error));
    EXPECT_EQ((std::vector<int16_t>{32767, -32768}), Samples(Bytes(PathOf("loud.wav"))));
}

TEST_F(CaptureFiles, PngHasTheTopRowFirstAndAFailedFileNamesItselfAndLeavesNothing) {
    // Two rows of two pixels, bottom row first as OpenGL reads them.
    const uint8_t pixels[] = {1, 2, 3, 4, 5, 6, /* top: */ 200, 201, 202, 250, 251, 252};
    std::string error;
    const std::string path = PathOf("frame.png");
    const uint8_t earlier[12] = {};
    ASSERT_TRUE(WritePng(path, earlier, 2, 2, &error)) << error;
    ASSERT_TRUE(WritePng(path, pixels, 2, 2, &error)) << error;  // replaces the earlier file
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> read(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, read.data(), 0, nullptr));
    EXPECT_EQ((std::vector<uint8_t>{200, 201, 202, 250, 251, 252, 1, 2, 3, 4, 5, 6}), read);

    const std::string missing = PathOf("gone/frame.png");
    EXPECT_FALSE(WritePng(missing, pixels, 2, 2, &error));
    EXPECT_EQ("cannot write " + missing + ": No such file or directory", error);
    EXPECT_FALSE(WritePng(path, nullptr, 2, 2, &error));
    WavWriter wav;
    EXPECT_FALSE(wav.Open(PathOf("gone/soundtrack.wav"), 44100, &error));
    EXPECT_EQ("cannot write " + PathOf("gone/soundtrack.wav") + ": No such file or directory", error);
}

TEST_F(CaptureFiles, AFinishedFileThatCannotTakeItsNameFailsAndLeavesNoTemporary) {
    // A folder that is not empty stands where the file should go: the rename must fail.
    const std::string path = PathOf("soundtrack.wav");
    WriteBytes("soundtrack.wav/keep", std::string("x"));
    OutputFile file;
    std::string error;
    ASSERT_TRUE(file.Open(path, &error)) << error;
    ASSERT_TRUE(file.Write("RIFF", 4, &error)) << error;
    EXPECT_FALSE(file.Commit(&error));
    EXPECT_EQ(error.rfind("cannot write " + path + ": ", 0), 0u) << error;
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(CaptureArithmetic, FrameCountsProgressLinesAndTemporaryNames) {
    const struct {
        uint32_t end;
        int32_t fps;
        uint64_t frames;
    } counts[] = {{134000, 25, 3351}, {134000, 30, 4021}, {2000, 25, 51}, {30000, 2, 61},
                  {1000, 7, 8},       {1001, 25, 27},     {0, 25, 1},     {5, 240, 3}};
    for (const auto& c : counts) {
        EXPECT_EQ(c.frames, CaptureSession::ExpectedFrames(c.end, c.fps)) << c.end << " ms at " << c.fps;
    }
    EXPECT_EQ("capture: frame 100 of 300, 50.0 frames/s, 4 s left", Progress::Line(100, 300, 2.0));
    EXPECT_EQ("capture: frame 300 of 300, 150.0 frames/s", Progress::Line(300, 300, 2.0));
    EXPECT_EQ("capture: frame 0 of 300, 0.0 frames/s", Progress::Line(0, 300, 0.0));
    EXPECT_EQ("/v/show.part-video.mp4", VideoTemporary("/v/show.mp4", "video"));
    EXPECT_EQ("/v.d/show.part-probe", VideoTemporary("/v.d/show", "probe"));
    EXPECT_EQ("/v/.hidden.part-video", VideoTemporary("/v/.hidden", "video"));
}

}  // namespace
