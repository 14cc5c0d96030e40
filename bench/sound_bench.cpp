// Decoding speed of the soundtrack: the whole of "4beat.xm" rendered at 44100 Hz stereo in
// audio-callback-sized pieces, with the note procedures of all 32 instruments installed,
// against libopenmpt rendering the same song without note scanning. The last line is the
// speed with scanning as a multiple of real time.
//
//   sound_bench [module]   (default: the generated data/4beat.xm)
#include "KSModule.h"

#include <libopenmpt/libopenmpt.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace {

constexpr int32_t kRate = 44100;
constexpr size_t kPiece = 1024;

uint64_t g_notes = 0;
void CountNote(uintptr_t, uint64_t) { ++g_notes; }

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : MARLO_DATA_DIR "/4beat.xm";
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> out(kPiece * 2);

    double best = 0.0, bestPlain = 0.0, music = 0.0;
    for (int run = 0; run < 3; ++run) {
        std::string error;
        auto module = KSModule::LoadFromMemory(bytes.data(), bytes.size(), &error);
        if (!module) {
            std::fprintf(stderr, "sound_bench: %s: %s\n", path, error.c_str());
            return 1;
        }
        for (int i = 1; i <= 32; ++i) module->AddNoteSync(i, &CountNote, static_cast<uintptr_t>(i));
        g_notes = 0;
        auto start = std::chrono::steady_clock::now();
        size_t frames = 0;
        while (!module->IsFinished()) frames += module->Render(kPiece, out.data());
        const double scanned = Seconds(std::chrono::steady_clock::now() - start);
        music = static_cast<double>(frames) / kRate;

        std::ostringstream log;
        openmpt::module plain(bytes.data(), bytes.size(), log);
        plain.set_repeat_count(0);
        plain.ctl_set_integer("dither", 0);
        start = std::chrono::steady_clock::now();
        while (plain.read_interleaved_stereo(kRate, kPiece, out.data()) > 0) {
        }
        const double unscanned = Seconds(std::chrono::steady_clock::now() - start);
        if (music / scanned > best) best = music / scanned;
        if (music / unscanned > bestPlain) bestPlain = music / unscanned;
    }
    std::printf("music: %.1f s, %llu note starts\n", music, static_cast<unsigned long long>(g_notes));
    std::printf("libopenmpt alone: %.0fx real time\n", bestPlain);
    std::printf("with note scanning: %.0fx real time\n", best);
    return 0;
}
