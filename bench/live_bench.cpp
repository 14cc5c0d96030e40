// Working on a show live, timed in this process on the platform's clock (offscreen window,
// no sound): a seek to 60 s of the showcase (the timeline built again and stepped without
// drawing from 0, in the live 10 ms steps), and a reload of the showcase's file after a
// one-number edit while paused at 0 s (read, check, rebuild with the files already loaded,
// the first frame's own extra work) and at 60 s (the same and the fast-forward). Each is
// the tick that does it, less a plain tick (its frame would be drawn anyway); medians of
// several, in milliseconds. Printed last: the seek to 60 s (goal: under
// 1500) and the reload at 0 s (goal: under 16).
//
//   live_bench [data folder]
#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLEntry.h"
#include "KSOutput.h"
#include "KestDemoSystem.h"
#include "MarloStartup.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times every tick and runs the plan between them.
class Bench : public KL::ApplicationClient {
public:
    std::string file;
    std::string text;
    std::vector<double> plain, seeks, reloadsAtZero, reloadsAt60;

    void OnFrame(uint32_t) override { m_start = Clock::now(); }
    void OnTickDone(uint32_t) override {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - m_start).count();
        KestDemoSystem* demo = KestDemoSystem::GetInstance();
        if (m_waiting != nullptr) {
            // The watcher looks at the file every 250 ms: wait for the tick that rebuilt.
            if (demo->GetRebuildCount() == m_rebuilds) return;
            m_waiting->push_back(ms);
            m_waiting = nullptr;
        } else if (m_step > 2 && m_step < 30) {
            m_ticks.push_back(ms);
        }
        m_rebuilds = demo->GetRebuildCount();
        ++m_step;
        if (m_step == 30) {
            demo->SetPaused(true);
            demo->Seek(0);
            m_waiting = &plain;  // the tick of the seek, not timed further
            plain.clear();
        }
        if (m_step >= 31 && m_step < 42) Edit(&reloadsAtZero);
        if (m_step >= 42 && m_step < 47) {
            demo->Seek(60000);
            m_waiting = &seeks;
        }
        if (m_step >= 47 && m_step < 52) Edit(&reloadsAt60);
        if (m_step == 52) KLAbstractFactory<KL::Application>::GetInstance()->Quit();
    }

private:
    void Edit(std::vector<double>* into) {
        // One number of the showcase, changed back and forth.
        const std::string from = m_edits % 2 ? "amplitude = 251.0" : "amplitude = 250.0";
        const std::string to = m_edits % 2 ? "amplitude = 250.0" : "amplitude = 251.0";
        const size_t at = text.find(from);
        if (at != std::string::npos) text.replace(at, from.size(), to);
        std::ofstream(file, std::ios::binary) << text;
        ++m_edits;
        m_waiting = into;
    }

    Clock::time_point m_start;
    std::vector<double>* m_waiting = nullptr;
    int m_step = 0;

public:
    std::vector<double> m_ticks;

private:
    int m_edits = 0;
    int32_t m_rebuilds = 0;
};

Bench* g_bench = nullptr;

}  // namespace

int main(int argc, char** argv) {
    const std::string data = std::filesystem::absolute(argc > 1 ? argv[1] : MARLO_DATA_DIR).string();
    Bench bench;
    bench.file = (std::filesystem::temp_directory_path() / "marlo_live_bench.toml").string();
    std::ifstream shipped(data + "/shows/showcase.toml");
    std::stringstream bytes;
    bytes << shipped.rdbuf();
    bench.text = bytes.str();
    std::ofstream(bench.file, std::ios::binary) << bench.text;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    std::vector<std::string> args = {"live_bench", "--mode", "640x480x32", "--windowed", "--device",
                                     std::to_string(KSOutput::ListDevices().size() - 1), "--data", data,
                                     "--show", bench.file, "--watch", "--no-error-box"};
    std::vector<char*> argv2;
    for (std::string& arg : args) argv2.push_back(arg.data());
    g_bench = &bench;
    const int code = KL::ProgramEntry(static_cast<int>(argv2.size()), argv2.data(), [](int c, char** v) {
        KLAbstractFactory<KL::Application>::GetInstance()->AddClient(g_bench);
        return RunMarlo(c, v, nullptr);
    });
    std::filesystem::remove(bench.file);
    if (code != 0 || bench.seeks.empty() || bench.reloadsAtZero.empty()) {
        std::fprintf(stderr, "live_bench: the run failed (exit %d)\n", code);
        return 1;
    }
    const double tick = Median(bench.m_ticks);
    std::printf("plain tick: %.2f ms\n", tick);
    std::printf("reload at 60 s (rebuild and fast-forward): %.1f ms\n", Median(bench.reloadsAt60) - tick);
    std::printf("reload at 0 s after a one-number edit: %.2f ms\n", Median(bench.reloadsAtZero) - tick);
    std::printf("seek to 60 s: %.1f ms\n", Median(bench.seeks) - tick);
    return 0;
}
