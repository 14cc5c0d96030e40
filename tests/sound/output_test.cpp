// The sound output: the device list with "No sound" last, refusals with their reasons, and,
// where the system offers a device (SDL's dummy driver, which the test entry selects, plays
// in real time with no card), a module that stays silent until Start and then plays on the
// audio thread with its note procedure.
#include "KSModule.h"
#include "KSOutput.h"
#include "TestModules.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace testmodules;

namespace {

std::atomic<int> g_notes{0};
std::atomic<std::thread::id> g_noteThread;
void CountNote(uintptr_t, uint64_t) {
    g_noteThread.store(std::this_thread::get_id());
    g_notes.fetch_add(1);
}

int WaitForNotes(int count, int ms) {
    for (int i = 0; i < ms / 10 && g_notes.load() < count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return g_notes.load();
}

}  // namespace

TEST(SoundOutput, ListEndsWithNoSoundAndRefusalsSayWhy) {
    const auto& devices = KSOutput::ListDevices();
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(&devices, &KSOutput::ListDevices());  // asked once
    EXPECT_EQ(devices.back(), "No sound");
    const int last = static_cast<int>(devices.size()) - 1;
    EXPECT_TRUE(KSOutput::IsNoSound(last));
    if (devices.size() > 1) {
        EXPECT_EQ(devices.front(), "Default sound device");
        EXPECT_FALSE(KSOutput::IsNoSound(0));
    }
    for (const std::string& name : devices) EXPECT_FALSE(name.empty());

    const struct {
        int device;
        std::string error;
    } refused[] = {{-1, "there is no sound device -1"},
                   {last, "\"No sound\" was chosen"},
                   {last + 1, "there is no sound device " + std::to_string(last + 1)}};
    KSOutput output;
    for (const auto& r : refused) {
        std::string error;
        EXPECT_FALSE(output.Open(r.device, 44100, &error)) << r.device;
        EXPECT_EQ(error, r.error);
        EXPECT_FALSE(output.IsOpen());
    }
    EXPECT_FALSE(output.Start());
    output.Close();
    output.Close();
}

TEST(SoundOutput, PlaysAModuleOnlyAfterStartOnItsOwnThreadAndClosesTwice) {
    if (KSOutput::ListDevices().size() < 2) GTEST_SKIP() << "the system offers no sound device";
    xm::Module m = SmallModule(2, 8, 1);
    for (int row = 0; row < 8; row += 2) m.patterns[0].At(row, 0) = {xm::Note(4, 0), 1, 0, 0, 0};
    const std::vector<uint8_t> bytes = Bytes(m);
    auto module = KSModule::LoadFromMemory(bytes.data(), bytes.size(), nullptr);
    ASSERT_TRUE(module);
    module->AddNoteSync(1, &CountNote, 0);

    KSOutput output;
    std::string error;
    if (!output.Open(0, 22050, &error)) GTEST_SKIP() << "the default device does not open: " << error;
    ASSERT_TRUE(output.Play(module.get()));
    EXPECT_EQ(module->GetSampleRate(), 22050);
    EXPECT_FALSE(output.Play(module.get()));  // one module per device
    EXPECT_EQ(WaitForNotes(1, 300), 0) << "rendered before Start";

    EXPECT_TRUE(output.Start());
    EXPECT_TRUE(output.Start());
    // Four notes in about a second of music, played in real time.
    EXPECT_EQ(WaitForNotes(4, 5000), 4);
    EXPECT_NE(g_noteThread.load(), std::this_thread::get_id());
    output.Close();
    output.Close();
    EXPECT_FALSE(output.IsOpen());
    EXPECT_FALSE(output.Start());
}
