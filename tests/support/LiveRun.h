// A live run of the program in this process, through its own start-up, on a virtual clock:
// after every tick the test's script sees the frame just drawn (read back from the window)
// and may press keys, edit files or end the run. The singletons allow one run a process.
#pragma once

#include "CBassPlayer.h"
#include "KEEngine.h"
#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLEntry.h"
#include "KSModule.h"
#include "KSOutput.h"
#include "KestDemoSystem.h"
#include "MarloStartup.h"

#include <GL/gl.h>

#include <functional>
#include <string>
#include <vector>

class LiveRun : public KL::ApplicationClient {
public:
    static constexpr int32_t kFps = 25;
    static constexpr int32_t kWidth = 512;
    static constexpr int32_t kHeight = 384;

    // Called after each tick (0 first) with the run; false ends the run.
    std::function<bool(LiveRun& run, uint64_t tick)> script;

    // Runs marlo with `args` (windowed at 512x384, silent) until the script or the show ends.
    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"marlo", "--mode", "512x384x32", "--windowed", "--device",
                                   std::to_string(KSOutput::ListDevices().size() - 1), "--no-error-box"});
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        Current() = this;
        return KL::ProgramEntry(static_cast<int>(argv.size()), argv.data(), [](int argc, char** argv) {
            KL::Application* app = KLAbstractFactory<KL::Application>::GetInstance();
            app->SetVirtualClock(&Current()->m_clock);
            app->AddClient(Current());
            return RunMarlo(argc, argv, nullptr);
        });
    }

    void OnTickDone(uint32_t) override {
        if (script && !script(*this, m_tick++)) KLAbstractFactory<KL::Application>::GetInstance()->Quit();
    }

    KestDemoSystem& Demo() { return *KestDemoSystem::GetInstance(); }
    uint32_t ShowTime() { return Demo().GetShowTime(); }

    // The picture of the tick just drawn, RGB rows bottom first.
    std::vector<uint8_t> Frame() {
        std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    // A key pressed in the show's window.
    void Press(int32_t key, int32_t modifiers = 0) {
        KL::Window* window = Demo().GetWindow();
        KL::WindowMessage message;
        message.handle = window ? window->GetHandle() : nullptr;
        message.kind = KL::WindowMessageKind::KeyDown;
        message.a = key;
        message.b = modifiers;
        KLAbstractFactory<KL::Application>::GetInstance()->TranslateWindowMessage(message);
    }

    // Sample frames the first music player has rendered (it plays silently in step).
    uint64_t MusicPosition() {
        for (int layer = 0; layer < KestDemoSystem::MAX_LAYERS; ++layer) {
            for (int i = 0; i < Demo().GetLayerCount(layer); ++i) {
                auto* music = dynamic_cast<CBassPlayer*>(Demo().GetEffect(layer, i));
                if (music && music->GetSilentModule()) return music->GetSilentModule()->GetFramePosition();
            }
        }
        return 0;
    }

private:
    static LiveRun*& Current() {
        static LiveRun* run = nullptr;
        return run;
    }

    KL::VirtualClock m_clock{kFps};
    uint64_t m_tick = 0;
};
