// The sound output on SDL's dummy audio driver (the test entry selects it): the device
// list, refusals, and a module playing on the audio thread with its note procedure.
#include "KSModule.h"
#include "KSOutput.h"
#include "TestModules.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace testmodules;

namespace {

std::atomic<int> g_calls{0};
std::atomic<std::thread::id> g_thread;
void Count(uintptr_t user, uint64_t) {
    if (user == 7) g_thread.store(std::this_thread::get_id());
    g_calls.fetch_add(1);
}

}  // namespace

TEST(SoundOutput, ListsTheDefaultDeviceFirstAndNoSoundLast) {
    const auto& devices = KSOutput::ListDevices();
    ASSERT_GE(devices.size(), 2u);
    EXPECT_EQ(devices.front(), "Default sound device");
    EXPECT_EQ(devices.back(), "No sound");
    EXPECT_TRUE(KSOutput::IsNoSound(static_cast<int>(devices.size()) - 1));
    EXPECT_FALSE(KSOutput::IsNoSound(0));

    KSOutput output;
    std::string error;
    for (int device : {-1, static_cast<int>(devices.size()) - 1, static_cast<int>(devices.size())}) {
        EXPECT_FALSE(output.Open(device, 44100, &error)) << device;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(output.Start());
}

TEST(SoundOutput, PlaysAModuleOnTheAudioThreadAndClosesWithoutHanging) {
    xm::Module m = SmallModule(2, 8, 1);
    for (int row = 0; row < 8; row += 2) m.patterns[0].At(row, 0) = {xm::Note(4, 0), 1, 0, 0, 0};
    const std::vector<uint8_t> bytes = Bytes(m);
    auto module = KSModule::LoadFromMemory(bytes.data(), bytes.size(), nullptr);
    ASSERT_TRUE(module);
    module->AddNoteSync(1, &Count, 7);

    KSOutput output;
    std::string error;
    ASSERT_TRUE(output.Open(0, 22050, &error)) << error;
    EXPECT_TRUE(output.Start());
    ASSERT_TRUE(output.Play(module.get()));
    EXPECT_EQ(module->GetSampleRate(), 22050);
    EXPECT_FALSE(output.Play(module.get()));  // one module per device

    // The dummy driver plays in real time: wait for the notes (a second of music).
    for (int i = 0; i < 500 && g_calls.load() < 4; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(g_calls.load(), 4);
    EXPECT_NE(g_thread.load(), std::this_thread::get_id());
    output.Close();
    output.Close();
    EXPECT_FALSE(output.IsOpen());
}
