// The CPU mipmap chain of a texture load: how many megapixels of level 0 per second the
// box filter turns into a whole chain (every level down to 1x1), for RGB and RGBA.
#include "KETexture.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

void KeepLevel(int32_t, int32_t, int32_t, const unsigned char* data, void*) { benchmark::DoNotOptimize(data[0]); }

void MipmapChain(benchmark::State& state) {
    const int32_t side = 1024;
    const int32_t n = static_cast<int32_t>(state.range(0));
    std::vector<unsigned char> pixels(static_cast<size_t>(side) * side * static_cast<size_t>(n));
    // Varied content, so that no level is a constant the compiler or the cache favours.
    uint32_t seed = 12345;
    for (unsigned char& p : pixels) {
        seed = seed * 1664525u + 1013904223u;
        p = static_cast<unsigned char>(seed >> 24);
    }
    for (auto _ : state) {
        const bool built = KETexture::BuildMipmapChain(pixels.data(), side, side, n, KeepLevel, nullptr);
        benchmark::DoNotOptimize(built);
    }
    state.SetLabel(n == 4 ? "RGBA 1024x1024" : "RGB 1024x1024");
    state.counters["Mpixel"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * side * side / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(MipmapChain)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
