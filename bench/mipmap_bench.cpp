// The CPU mipmap chain of a texture load: how many megapixels of level 0 per second the
// box filter turns into a whole chain (every level down to 1x1), for RGB and RGBA at
// 1024x1024 and 4096x4096, against a memcpy of level 0's bytes measured in the same run.
// One builder serves every iteration, as a loader of many textures would use it.
// The last lines printed give each chain's rate as a fraction of the memcpy rate (means
// over repetitions; --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
// keeps the pairs comparable on a busy machine).
#include "KEMipmap.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kPixelCounter = "Mpixel";

std::vector<unsigned char> Image(int32_t side, int32_t n) {
    std::vector<unsigned char> pixels(static_cast<size_t>(side) * static_cast<size_t>(side) * static_cast<size_t>(n));
    // Varied content, so that no level is a constant the compiler or the cache favours.
    uint32_t seed = 12345;
    for (unsigned char& p : pixels) {
        seed = seed * 1664525u + 1013904223u;
        p = static_cast<unsigned char>(seed >> 24);
    }
    return pixels;
}

// "RGBA 4096x4096": the label that pairs a chain with the memcpy of the same bytes.
std::string Label(int32_t side, int32_t n) {
    return std::string(n == 4 ? "RGBA " : "RGB ") + std::to_string(side) + "x" + std::to_string(side);
}

void CountPixels(benchmark::State& state, int32_t side) {
    state.counters[kPixelCounter] = benchmark::Counter(
        static_cast<double>(state.iterations()) * side * side / 1e6, benchmark::Counter::kIsRate);
}

void KeepLevel(int32_t, int32_t, int32_t, const unsigned char* data, void*) { benchmark::DoNotOptimize(data[0]); }

void MipmapChain(benchmark::State& state) {
    const int32_t side = static_cast<int32_t>(state.range(0));
    const int32_t n = static_cast<int32_t>(state.range(1));
    const std::vector<unsigned char> pixels = Image(side, n);
    KEMipmapBuilder builder;
    for (auto _ : state) {
        const bool built = builder.Build(pixels.data(), side, side, n, KeepLevel, nullptr);
        benchmark::DoNotOptimize(built);
    }
    state.SetLabel(Label(side, n));
    CountPixels(state, side);
}

// Level 0's bytes copied into a buffer already touched: the memory speed the chain is
// measured against.
void Memcpy(benchmark::State& state) {
    const int32_t side = static_cast<int32_t>(state.range(0));
    const int32_t n = static_cast<int32_t>(state.range(1));
    const std::vector<unsigned char> pixels = Image(side, n);
    std::vector<unsigned char> copy(pixels.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), pixels.data(), pixels.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(Label(side, n));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(pixels.size()));
    CountPixels(state, side);
}

// The console table as usual, then one line per image: the chain's rate, the memcpy's
// rate of the same bytes and their ratio (means over repetitions).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const auto counter = run.counters.find(kPixelCounter);
            if (counter == run.counters.end()) continue;
            Rates& rates = m_rates[run.report_label];
            Mean& mean = run.run_name.function_name == "Memcpy" ? rates.copy : rates.chain;
            mean.sum += counter->second.value;
            mean.count += 1;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [label, rates] : m_rates) {
            if (rates.copy.count == 0 || rates.chain.count == 0) continue;
            const double chain = rates.chain.sum / rates.chain.count;
            const double copy = rates.copy.sum / rates.copy.count;
            char line[160];
            std::snprintf(line, sizeof line, "%-15s chain %8.1f Mpixel/s   memcpy %8.1f Mpixel/s   chain/memcpy %.3f\n",
                          label.c_str(), chain, copy, chain / copy);
            GetOutputStream() << line;
        }
    }

private:
    struct Mean {
        double sum = 0.0;
        int count = 0;
    };
    struct Rates {
        Mean chain;
        Mean copy;
    };
    std::map<std::string, Rates> m_rates;
};

}  // namespace

BENCHMARK(Memcpy)->ArgsProduct({{1024, 4096}, {3, 4}})->Unit(benchmark::kMillisecond);
BENCHMARK(MipmapChain)->ArgsProduct({{1024, 4096}, {3, 4}})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
