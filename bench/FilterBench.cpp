// ns per sample of the voice filter and of the chorus section.
#include <cmath>

#include <benchmark/benchmark.h>

#include "engine/Chorus.h"
#include "engine/FilterTables.h"
#include "engine/ResonantFilter.h"

namespace {

constexpr double kRate = 44100;

void BM_ResonantFilter(benchmark::State& state)
{
    qor::FilterTables tables;
    tables.build(kRate);
    qor::ResonantFilter filter;
    filter.setTables(&tables);
    filter.reset(kRate);
    filter.setResonance(0.7, true);
    double x = 0.3;
    double cutoff = 8000;
    for (auto _ : state) {
        // A slow sweep, so that the coefficients change now and then as in a voice.
        cutoff += 0.01;
        if (cutoff > 12000) cutoff = 8000;
        x = -x;
        benchmark::DoNotOptimize(filter.process(x, cutoff));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ResonantFilter);

void BM_Chorus(benchmark::State& state)
{
    qor::Chorus chorus;
    chorus.create(kRate);
    chorus.setSpeed(0.5);
    chorus.setDepth(0.7);
    chorus.setMode(static_cast<double>(state.range(0)));
    chorus.controlTick();
    int toTick = 132;
    double x = 0.25;
    double left = 0, right = 0;
    for (auto _ : state) {
        if (--toTick == 0) {
            chorus.controlTick();
            toTick = 132;
        }
        x = -x;
        chorus.process(x, true, left, right);
        benchmark::DoNotOptimize(left);
        benchmark::DoNotOptimize(right);
    }
    state.SetItemsProcessed(state.iterations());
}
// 1 CHORUS 1 (rate sweeps 0.125..1), 5 AMBI.1, 7 DELAY (rate 0.125 throughout).
BENCHMARK(BM_Chorus)->Arg(1)->Arg(5)->Arg(7);

}  // namespace
