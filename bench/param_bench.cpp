// Parameter reads through chains of bindings: how many float reads per second an effect
// gets when its parameter is bound through 1, 4 or 16 objects (every read walks the chain).
#include "CParamObject.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void ChainedFloatRead(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    // objects[0] is read; each one's float 0 is bound to the next one's channel 0.
    std::vector<CParamObject> objects(static_cast<size_t>(length) + 1);
    for (int i = 0; i < length; ++i) objects[i].BindFloat(0, &objects[i + 1], 0);
    objects[length].SetFloat(0, 1.5f);
    for (auto _ : state) {
        benchmark::DoNotOptimize(objects[0].GetFloat(0));
    }
    state.counters["reads"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["hops"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * length, benchmark::Counter::kIsRate);
}
BENCHMARK(ChainedFloatRead)->Arg(1)->Arg(4)->Arg(16);

void ChainedVectorRead(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    std::vector<CParamObject> objects(static_cast<size_t>(length) + 1);
    for (int i = 0; i < length; ++i) objects[i].BindVector(0, &objects[i + 1], 0);
    objects[length].SetVector(0, KEVector3{1.0f, 2.0f, 3.0f});
    KEVector3 out{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(objects[0].GetVector(&out, 0));
    }
    state.counters["reads"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(ChainedVectorRead)->Arg(1)->Arg(4)->Arg(16);

}  // namespace

BENCHMARK_MAIN();
