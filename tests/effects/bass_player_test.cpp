// The music player: velocities kicked by notes, integrated and decayed by Frame, read
// through the float channels; kicks from another thread; and how Start copes with the
// devices and files it is given.
#include "CBassPlayer.h"
#include "KSOutput.h"
#include "RecordingLog.h"
#include "TempDirTest.h"
#include "TestModules.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testmodules;

TEST(BassPlayerFrame, IntegratesThePositionThenDecaysTheVelocity) {
    struct Case {
        const char* what;
        int kicks;
        std::vector<int32_t> deltas;
        float velocity, position;
    };
    const Case cases[] = {
        {"one 20 ms step", 1, {20}, 9.0f, 200.0f},
        {"no time", 1, {0}, 10.0f, 0.0f},
        {"two steps", 1, {20, 20}, 8.1f, 380.0f},
        {"two kicks", 2, {20}, 18.0f, 400.0f},
        {"half-time 10 ms", 1, {10}, 9.486833f, 100.0f},
        // Going below 0 stops at 0 and turns the velocity round: -10 / 0.9.
        {"backwards", 1, {-20}, -11.111111f, 0.0f},
    };
    for (const Case& c : cases) {
        CBassPlayer player;
        for (int k = 0; k < c.kicks; ++k) CBassPlayer::OnNote(1, 0);
        for (int32_t delta : c.deltas) player.Frame(0, 0, delta);
        EXPECT_NEAR(player.GetFloat(3), c.velocity, 1e-5f) << c.what;
        EXPECT_FLOAT_EQ(player.GetFloat(35), c.position) << c.what;
    }
}

TEST(BassPlayerFrame, ChannelsReadVelocitiesAndPositionsAndOtherwiseTheParameter) {
    CBassPlayer player;
    player.SetFloat(2, 7.5f);
    player.SetFloat(67, 3.25f);
    CBassPlayer::OnNote(2, 0);
    CBassPlayer::OnNote(2, 0);
    CBassPlayer::OnNote(32, 0);
    CBassPlayer::OnNote(0, 0);   // no instrument 0 ...
    CBassPlayer::OnNote(33, 0);  // ... nor 33: nothing changes
    player.Frame(0, 0, 20);
    EXPECT_EQ(player.GetFloat(3), 0.0f);     // velocity of instrument 1
    EXPECT_EQ(player.GetFloat(4), 18.0f);    // instrument 2
    EXPECT_EQ(player.GetFloat(34), 9.0f);    // instrument 32
    EXPECT_EQ(player.GetFloat(36), 400.0f);  // position of instrument 2
    EXPECT_EQ(player.GetFloat(66), 200.0f);  // instrument 32
    EXPECT_EQ(player.GetFloat(2), 7.5f);
    EXPECT_EQ(player.GetFloat(67), 3.25f);
    // A new player starts from rest.
    CBassPlayer other;
    EXPECT_EQ(player.GetFloat(36), 0.0f);
}

TEST(BassPlayerFrame, KicksFromAnotherThreadDuringFramesAreNeverLost) {
    CBassPlayer player;
    constexpr int kKicks = 20000;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        for (int i = 0; i < kKicks; ++i) CBassPlayer::OnNote(1, 0);
        done = true;
    });
    // Frames of 0 ms rewrite every velocity without changing it; a frame that overwrote a
    // kick made meanwhile would lose 10.
    while (!done) player.Frame(0, 0, 0);
    audio.join();
    EXPECT_EQ(player.GetFloat(3), kKicks * 10.0f);
}

class BassPlayerStart : public TempDirTest {
protected:
    // Instrument 2 on rows 0 and 4 of an 8-row module.
    std::string WriteModule() {
        xm::Module m = SmallModule(2, 8, 2);
        m.patterns[0].At(0, 0) = {xm::Note(4, 0), 2, 0, 0, 0};
        m.patterns[0].At(4, 1) = {xm::Note(4, 0), 2, 0, 0, 0};
        return WriteBytes("music.xm", Bytes(m));
    }
    static int NoSound() { return static_cast<int>(KSOutput::ListDevices().size()) - 1; }
};

TEST_F(BassPlayerStart, WithNoSoundTheModuleStillDrivesTheVelocitiesInStepWithTheClock) {
    const std::string file = WriteModule();
    CBassPlayer player;
    player.SetInt(0, NoSound());
    player.SetInt(1, 44100);
    player.SetString(2, file.c_str());
    RecordingLog log;
    EXPECT_TRUE(player.Start());
    EXPECT_FALSE(player.IsPlayingOnDevice());
    EXPECT_TRUE(log.Lines().empty());

    player.Frame(0, 0, 0);
    EXPECT_EQ(player.GetFloat(4), 0.0f);
    player.Frame(0, 10, 0);  // row 0 has begun
    EXPECT_EQ(player.GetFloat(4), 10.0f);
    // Row 4 starts at 4 x 5292 frames = 480 ms; not yet at 479 ms.
    player.Frame(0, 479, 0);
    EXPECT_EQ(player.GetFloat(4), 10.0f);
    player.Frame(0, 481, 0);
    EXPECT_EQ(player.GetFloat(4), 20.0f);
}

TEST_F(BassPlayerStart, ADeviceThatCannotBeOpenedFallsBackToTheDefaultOne) {
    const std::string file = WriteModule();
    CBassPlayer player;
    player.SetInt(0, 99);
    player.SetInt(1, 0);
    player.SetString(2, file.c_str());
    RecordingLog log;
    EXPECT_TRUE(player.Start());
    EXPECT_TRUE(player.IsPlayingOnDevice());
    const std::vector<std::string> expected = {"Sample rate 0 Hz cannot be played, using 44100 Hz",
                                               "Sound: there is no sound device 99"};
    EXPECT_EQ(log.Lines(), expected);
}

TEST_F(BassPlayerStart, AMissingModuleIsTracedNeverBoxedAndStartFails) {
    CBassPlayer player;
    player.SetInt(0, NoSound());
    player.SetInt(1, 22050);
    player.SetString(2, "nowhere/4beat.xm");
    RecordingLog log;
    EXPECT_FALSE(player.Start());
    const std::vector<std::string> expected = {"Can't load the music: cannot open nowhere/4beat.xm",
                                               "No se puede reproducir correctamente la musica"};
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_TRUE(log.Boxes().empty());
    player.Frame(0, 1000, 20);  // and goes on
}
