// The music drives the picture on the exact frame: captured in this process through the
// program's own start-up, a show whose only motion is the model's rotation about x (the
// music player's channel 36 through the modifier, as in the show) turns the model by a
// jump within one frame of every note of instrument 2 in the module's pattern data, and
// nowhere else.
#include "KLEntry.h"
#include "KestDemoSystem.h"
#include "MarloStartup.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kFps = 25;
constexpr uint32_t kLength = 6000;

// The show's wiring without the camera flight and the wobble: nothing else moves. The
// model sits in front of the default camera.
void RotationShow(KestDemoSystem* demo) {
    CEffect* music = demo->CreateEffect("Bass Player", 0, kLength, 1);
    music->BindInt(0, &demo->GetSystemParams(), 0);
    music->BindInt(1, &demo->GetSystemParams(), 1);
    music->SetString(2, "4beat.xm");
    CModifier* op = demo->CreateModifier("Binary operation");
    op->BindFloat(0, music, 36);
    op->SetFloat(1, 0.01f);
    CEffect* model = demo->CreateEffect("model", 0, kLength, 0);
    model->SetString(0, "files/geometry/icosa.kd10s");
    model->SetFloat(2, -170.0f);
    model->BindFloat(3, op, 4);
}

std::vector<uint8_t> ReadRgb(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> rgb;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return rgb;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) rgb.clear();
    return rgb;
}

// The frames in which instrument 2 starts a note, read with libopenmpt from the patterns:
// tick n holds the samples from floor(rate * n / fps).
std::set<int> KickFrames(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    openmpt::module module(file);
    std::set<int> frames;
    for (int32_t order = 0; order < module.get_num_orders(); ++order) {
        const int32_t pattern = module.get_order_pattern(order);
        for (int32_t row = 0; row < module.get_pattern_num_rows(pattern); ++row) {
            const double seconds = module.set_position_order_row(order, row);
            if (seconds * 1000.0 >= kLength) return frames;
            for (int32_t channel = 0; channel < module.get_num_channels(); ++channel) {
                const int note = module.get_pattern_row_channel_command(pattern, row, channel, openmpt::module::command_note);
                const int instrument =
                    module.get_pattern_row_channel_command(pattern, row, channel, openmpt::module::command_instrument);
                if (instrument == 2 && note >= 1 && note <= 120) {
                    const int64_t sample = std::llround(seconds * 44100.0);
                    frames.insert(static_cast<int>(sample * kFps / 44100));
                }
            }
        }
    }
    return frames;
}

class RotationCapture : public TempDirTest {};

TEST_F(RotationCapture, TheModelJumpsWithinOneFrameOfEveryKickAndNowhereElse) {
    const std::string folder = PathOf("frames");
    std::vector<std::string> args = {"marlo", "--capture", folder, "--until", std::to_string(kLength / 1000),
                                     "--data", MARLO_DATA_DIR};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    const int code = KL::ProgramEntry(static_cast<int>(argv.size()), argv.data(),
                                      [](int argc, char** argv) { return RunMarlo(argc, argv, &RotationShow); });
    ASSERT_EQ(0, code);

    // How much each frame differs from the one before: the model's turn since then.
    std::vector<double> change = {0.0};
    std::vector<uint8_t> previous = ReadRgb(folder + "/frame_000000.png");
    ASSERT_FALSE(previous.empty());
    for (int n = 1; n < static_cast<int>(kLength) * kFps / 1000; ++n) {
        char name[64];
        std::snprintf(name, sizeof(name), "/frame_%06d.png", n);
        const std::vector<uint8_t> frame = ReadRgb(folder + name);
        ASSERT_EQ(previous.size(), frame.size()) << name;
        double sum = 0.0;
        for (size_t i = 0; i < frame.size(); ++i) sum += std::abs(int(frame[i]) - int(previous[i]));
        change.push_back(sum / double(frame.size()));
        previous = frame;
    }
    // A jump: a frame that turns the model several times more than the frame before, and
    // by a good part of the largest turn (the model is unlit: only its outline shows it).
    const double largest = *std::max_element(change.begin(), change.end());
    std::set<int> jumps;
    for (size_t n = 2; n < change.size(); ++n) {
        if (change[n] > 0.3 * largest && change[n] > 5.0 * change[n - 1]) jumps.insert(static_cast<int>(n));
    }
    const std::set<int> kicks = KickFrames(std::string(MARLO_DATA_DIR) + "/4beat.xm");
    ASSERT_GE(kicks.size(), 4u);
    for (int kick : kicks) {
        if (kick < 2) continue;
        EXPECT_TRUE(jumps.count(kick) || jumps.count(kick + 1)) << "no jump at the kick of frame " << kick;
    }
    for (int jump : jumps) EXPECT_TRUE(kicks.count(jump) || kicks.count(jump - 1)) << "a jump without a kick at " << jump;
}

}  // namespace
