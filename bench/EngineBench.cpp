// Cost of rendering: nanoseconds per voice-sample and the real-time factor
// (seconds of audio per second of CPU) for 1, 6, 12, 32 and 64 sounding voices at
// 44.1, 48 and 96 kHz, with the chorus off and on; and the same at 44.1 kHz
// with the chorus on for each way of computing the voices (one at a time, SSE2
// lanes, AVX2 and AVX-512 lanes where the processor has them).
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/Engine.h"
#include "engine/ParameterIndex.h"
#include "engine/VoiceLanes.h"

namespace {

using namespace qor;

void addNote(Engine& engine, int note)
{
    QueuedMidiEvent ev;
    ev.status = 0x90;
    ev.data1 = static_cast<uint8_t>(note);
    ev.data2 = 100;
    engine.Queue().Add(ev);
}

void renderEngine(benchmark::State& state, int voices, double rate, bool chorus)
{

    Engine engine;
    engine.Reset(rate);
    const int voicesParam = voices <= 1 ? 0 : voices <= 6 ? 1 : voices <= 12 ? 2 : voices <= 32 ? 3 : 4;
    engine.SetParameterValue(kVoices, voicesParam);
    engine.SetParameterValue(kRange, 1);
    engine.SetParameterValue(kEnvelope, 16);
    engine.SetParameterValue(kVcfSustain, 20);
    engine.SetParameterValue(kResonance, 12);
    engine.SetParameterValue(kLfoToOsc, 6);
    engine.SetParameterValue(kLfoSpeed, 40);
    engine.SetParameterValue(kChorus, chorus ? 1 : 0);
    for (int v = 0; v < voices; ++v) addNote(engine, 36 + v);

    constexpr int kBlock = 256;
    std::vector<double> left(kBlock), right(kBlock);
    engine.ProcessBlock(left.data(), right.data(), kBlock, {});  // start the notes
    for (auto _ : state) {
        engine.ProcessBlock(left.data(), right.data(), kBlock, {});
        benchmark::DoNotOptimize(left.data());
        benchmark::ClobberMemory();
    }
    const double samples = static_cast<double>(state.iterations()) * kBlock;
    // kIsRate | kInvert turns a count into seconds per count: seconds per voice-sample.
    state.counters["per_voice_sample"] =
        benchmark::Counter(samples * voices, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime_factor"] = benchmark::Counter(samples / rate, benchmark::Counter::kIsRate);
}

void BM_Engine(benchmark::State& state)
{
    renderEngine(state, static_cast<int>(state.range(0)), static_cast<double>(state.range(1)), state.range(2) != 0);
}

void BM_EngineKernel(benchmark::State& state)
{
    const auto kernel = static_cast<VoiceKernel>(state.range(1));
    if (!SelectVoiceKernel(kernel)) {
        state.SkipWithError("this processor lacks the kernel's instructions");
        return;
    }
    renderEngine(state, static_cast<int>(state.range(0)), 44100.0, true);
    SelectVoiceKernel(BestVoiceKernel());
}

BENCHMARK(BM_EngineKernel)
    ->ArgNames({"voices", "kernel"})
    ->ArgsProduct({{4, 32, 64},
                   {static_cast<int>(VoiceKernel::Scalar), static_cast<int>(VoiceKernel::Sse2),
                    static_cast<int>(VoiceKernel::Avx2), static_cast<int>(VoiceKernel::Avx512)}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_Engine)
    ->ArgNames({"voices", "rate", "chorus"})
    ->ArgsProduct({{1, 6, 12, 32, 64}, {44100, 48000, 96000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
