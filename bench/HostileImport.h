#pragma once

// What the benchmarks of hostile imports share: inputs of 64 KB to 4 MB,
// growing fourfold, and one import of each timed.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "tests/Repeated.h"

inline void HostileSizes(benchmark::internal::Benchmark* bench)
{
    bench->RangeMultiplier(4)->Range(1 << 16, 1 << 22)->Unit(benchmark::kMillisecond);
}

// The time is fitted to the size asked for, range(0).
template <typename Importer>
void TimeImport(benchmark::State& state, const std::string& input, Importer import)
{
    for ([[maybe_unused]] auto _ : state)
        benchmark::DoNotOptimize(import(input, "Bench").imported);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
    state.SetComplexityN(state.range(0));
}
