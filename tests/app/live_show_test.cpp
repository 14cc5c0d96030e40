// The show played live in this process on a virtual clock, as a person works on it: keys in
// the window pause and seek, a seek lands on the state a run from 0 has there, and a show
// file edited while it plays is played on at the same time (or refused, the show unchanged).
#include "LiveRun.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr uint64_t kSamplesPerSecond = 44100;

uint64_t SampleAt(uint32_t ms) { return ms * kSamplesPerSecond / 1000; }

class LiveShow : public TempDirTest {};

TEST_F(LiveShow, ASeekThenOneSecondOfPlayGivesTheFrameOfARunFromZero) {
    // The show from 0 to 6 s; then Home, Right to 5 s and one second of play.
    std::vector<uint8_t> fromZero, afterSeek;
    uint64_t musicFromZero = 0, musicAfterSeek = 0;
    int phase = 0;
    LiveRun run;
    run.script = [&](LiveRun& r, uint64_t) {
        const uint32_t t = r.ShowTime();
        if (phase == 0 && t == 6000) {
            fromZero = r.Frame();
            musicFromZero = r.MusicPosition();
            r.Press(KL::kKeyHome);
            phase = 1;
        } else if (phase == 1) {
            EXPECT_EQ(t, 0u);
            r.Press(KL::kKeyRight);
            phase = 2;
        } else if (phase == 2) {
            EXPECT_EQ(t, 5000u);
            phase = 3;
        } else if (phase == 3 && t == 6000) {
            afterSeek = r.Frame();
            musicAfterSeek = r.MusicPosition();
            return false;
        }
        return t < 20000;
    };
    ASSERT_EQ(0, run.Run({"--data", MARLO_DATA_DIR}));
    ASSERT_EQ(phase, 3);
    ASSERT_FALSE(fromZero.empty());
    EXPECT_TRUE(fromZero == afterSeek) << "the frame at 6 s after a seek to 5 s differs from a run's from 0";
    EXPECT_EQ(musicFromZero, SampleAt(6000));
    EXPECT_EQ(musicAfterSeek, SampleAt(6000));
}

TEST_F(LiveShow, KeysMoveTheShowTimeAsStatedAndAPauseHoldsTheClockAndTheMusic) {
    struct Press {
        int32_t key, modifiers;
        uint32_t expected;  // show time of the next frame
    };
    const Press presses[] = {
        {KL::kKeyRight, 0, 15000},         {KL::kKeyRight, KL::kKeyShift, 16000}, {KL::kKeyLeft, 0, 11000},
        {KL::kKeyLeft, KL::kKeyShift, 10000}, {KL::kKeyHome, 0, 0},               {KL::kKeyLeft, 0, 0},
        {KL::kKeyRight, KL::kKeyShift, 1000},
    };
    size_t next = 0;
    uint32_t pausedAt = 0, pausedTicks = 0;
    uint64_t pausedMusic = 0;
    int phase = 0;
    std::vector<uint32_t> seen;
    LiveRun run;
    run.script = [&](LiveRun& r, uint64_t tick) {
        const uint32_t t = r.ShowTime();
        if (tick == 0) {
            EXPECT_EQ(t, 10000u) << "--start 10 starts the live show at 10 s";
        }
        if (phase == 0) {
            if (next > 0) {
                seen.push_back(t);
                EXPECT_EQ(r.MusicPosition(), SampleAt(t)) << "the music follows the seek to " << t;
            }
            if (next == std::size(presses)) {
                r.Press(KL::kKeySpace);
                pausedAt = t;
                pausedMusic = r.MusicPosition();
                phase = 1;
                return true;
            }
            r.Press(presses[next].key, presses[next].modifiers);
            ++next;
        } else if (phase == 1) {
            // Two seconds of the clock while paused add nothing to the show or the music.
            EXPECT_TRUE(r.Demo().IsPaused());
            EXPECT_EQ(t, pausedAt);
            EXPECT_EQ(r.MusicPosition(), pausedMusic);
            if (++pausedTicks == 2 * LiveRun::kFps) {
                r.Press(KL::kKeySpace);
                phase = 2;
            }
        } else {
            EXPECT_FALSE(r.Demo().IsPaused());
            EXPECT_EQ(t, pausedAt + 1000 / LiveRun::kFps) << "play goes on from where it was paused";
            return false;
        }
        return true;
    };
    ASSERT_EQ(0, run.Run({"--data", MARLO_DATA_DIR, "--start", "10"}));
    std::vector<uint32_t> expected;
    for (const Press& press : presses) expected.push_back(press.expected);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(phase, 2);
}

// A still picture: an unlit model in front of the default camera, and the music.
const char* const kStillShow = R"([show]
name = "Edited while it plays"
length = 60
module = "4beat.xm"

[[effect]]
type = "Bass Player"
id = "music"
layer = 1
device = { bind = "system.device" }
rate = { bind = "system.rate" }

[[effect]]
type = "model"
id = "ball"
end = 40
scene = "files/geometry/icosa.kd10s"
position-z = -170.0
colour = [1.0, 0.6, 0.2]
)";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Rows below the overlay line differ.
bool ShowDiffers(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    const size_t rows = LiveRun::kHeight - 48;  // bottom first
    return !std::equal(a.begin(), a.begin() + rows * LiveRun::kWidth * 3, b.begin());
}

TEST_F(LiveShow, AnEditedShowFileIsPlayedOnAtTheSameTimeAndABadOneIsRefused) {
    const std::string file = PathOf("still.toml");
    Write(file, kStillShow);
    const std::string moved = Replace(kStillShow, "position-z = -170.0", "position-z = -170.0\nposition-x = 40.0");
    const std::string longer = Replace(moved, "end = 40", "end = 50");
    const std::string added = longer + "\n[[effect]]\ntype = \"model\"\nid = \"second\"\nlayer = 3\n"
                                       "scene = \"files/geometry/icosa.kd10s\"\nposition-z = -300.0\n";
    const std::string broken = Replace(added, "position-z = -170.0", "position-z = \"near\"");
    const std::string bound = Replace(added, "position-x = 40.0", "position-x = { bind = \"music.position.2\" }");
    struct Edit {
        std::string text;
        bool rename;  // written beside and renamed over the file, as many editors save
        bool good;
    };
    const std::vector<Edit> edits = {{moved, false, true},   {longer, true, true}, {added, false, true},
                                     {broken, false, false}, {bound, true, true}};
    auto ball = [](LiveRun& r) { return r.Demo().GetEffect(0, 0); };

    size_t edit = 0;
    uint64_t editTick = 0;
    int32_t rebuilds = 0;
    uint32_t before = 0;
    std::vector<uint8_t> frameBefore;
    std::string overlay;
    LiveRun run;
    run.script = [&](LiveRun& r, uint64_t tick) {
        const uint32_t t = r.ShowTime();
        if (tick == 0) {
            rebuilds = r.Demo().GetRebuildCount();
            return true;
        }
        if (edit < edits.size() && editTick == 0 && tick % 20 == 0) {
            frameBefore = r.Frame();
            before = t;
            if (edits[edit].rename) {
                Write(file + ".new", edits[edit].text);
                std::filesystem::rename(file + ".new", file);
            } else {
                Write(file, edits[edit].text);
            }
            editTick = tick;
            return true;
        }
        if (editTick == 0) return tick < 400;
        const bool rebuilt = r.Demo().GetRebuildCount() != rebuilds;
        if (!rebuilt && tick - editTick < 15) return true;  // the file is looked at every 250 ms
        const Edit& e = edits[edit];
        EXPECT_EQ(rebuilt, e.good) << "edit " << edit;
        EXPECT_EQ(t, before + (tick - editTick) * 40) << "edit " << edit << ": the show goes on at the same time";
        if (edit == 0) {
            EXPECT_FLOAT_EQ(ball(r)->GetFloat(0), 40.0f);
            EXPECT_TRUE(ShowDiffers(frameBefore, r.Frame())) << "the moved model shows on the next frame";
        }
        if (edit == 1) {
            EXPECT_EQ(ball(r)->GetEndTime(), 50000u);
        }
        if (edit == 2) {
            EXPECT_EQ(r.Demo().GetLayerCount(3), 1);
        }
        if (edit == 3) {
            overlay = r.Demo().GetOverlayLine();
            EXPECT_FALSE(ShowDiffers(frameBefore, r.Frame())) << "a refused file leaves the show as it was";
        }
        if (edit == 4) {
            EXPECT_TRUE(ball(r)->IsFloatBound(0));
            EXPECT_FLOAT_EQ(ball(r)->GetFloat(0), r.Demo().GetEffect(1, 0)->GetFloat(36));
            EXPECT_TRUE(r.Demo().GetOverlayLine().empty()) << "a good version takes the error line away";
        }
        rebuilds = r.Demo().GetRebuildCount();
        editTick = 0;
        ++edit;
        return edit < edits.size();
    };
    ASSERT_EQ(0, run.Run({"--data", MARLO_DATA_DIR, "--show", file, "--watch"}));
    EXPECT_EQ(edit, edits.size());
    EXPECT_EQ(overlay.rfind("still.toml:", 0), 0u) << overlay;
    EXPECT_NE(overlay.find("position-z"), std::string::npos) << overlay;
    // Loaded once at the start and reused by every rebuild.
    EXPECT_EQ(KEEngine::GetEngine()->GetDataCache().GetDiskReads("files/geometry/icosa.kd10s"), 1);
}

}  // namespace

namespace {

// On SDL's dummy sound driver, which plays in real time to nowhere (Windows has no such
// device to count on).
#ifndef _WIN32
TEST_F(LiveShow, ASeekAndAReloadGoOnWithTheSameSoundDeviceWhileTheModuleStaysTheSame) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string file = PathOf("still.toml");
    Write(file, kStillShow);
    auto music = [](LiveRun& r) { return dynamic_cast<CBassPlayer*>(r.Demo().GetEffect(1, 0)); };
    struct Step {
        std::string edit;  // the show file's new text; empty: press Right
        bool sameDevice;
    };
    const std::vector<Step> steps = {
        {"", true},
        {Replace(kStillShow, "position-z = -170.0", "position-z = -150.0"), true},
        {Replace(kStillShow, "id = \"music\"", "id = \"music\"\nmodule = \"4BEAT.XM\""), false},
    };
    size_t step = 0;
    uint64_t stepTick = 0;
    int32_t rebuilds = 0;
    const KSOutput* device = nullptr;
    LiveRun run;
    run.script = [&](LiveRun& r, uint64_t tick) {
        if (tick < 5) return true;
        if (!music(r)) {
            ADD_FAILURE() << "no music player at step " << step;
            return false;
        }
        if (stepTick == 0) {
            EXPECT_TRUE(music(r)->IsPlayingOnDevice()) << "step " << step;
            device = music(r)->GetOutput();
            rebuilds = r.Demo().GetRebuildCount();
            if (steps[step].edit.empty()) {
                r.Press(KL::kKeyRight);
            } else {
                Write(file, steps[step].edit);
            }
            stepTick = tick;
            return true;
        }
        if (r.Demo().GetRebuildCount() == rebuilds) return tick - stepTick < 20;
        EXPECT_TRUE(music(r)->IsPlayingOnDevice()) << "step " << step;
        EXPECT_EQ(music(r)->GetOutput() == device, steps[step].sameDevice) << "step " << step;
        stepTick = 0;
        return ++step < steps.size();
    };
    ASSERT_EQ(0, run.Run({"--data", MARLO_DATA_DIR, "--show", file, "--watch", "--device", "0"}));
    EXPECT_EQ(step, steps.size());
}

#endif

}  // namespace
