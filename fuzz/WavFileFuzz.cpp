// Feeds arbitrary bytes to the WAV reader and what it reads to the user-wave
// analysis: a file gives samples or a failure, never a crash, a hang or
// memory out of proportion to the input, and the analysis of whatever was
// read is a valid wave.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "programs/UserWave.h"
#include "programs/WavFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const qor::WavReadResult wav = qor::ReadWav(std::span<const uint8_t>(data, size));
    if (wav.error) {
        if (!wav.samples.empty()) __builtin_trap();
        return 0;
    }
    if (wav.samples.empty() || wav.samples.size() > wav.format.frames || wav.samples.size() > qor::kMaxWavSamples ||
        wav.format.channels != 1)
        __builtin_trap();
    // Integer samples lie in -1..1; float samples are taken as stored.
    if (wav.format.formatTag == 1)
        for (const double v : wav.samples)
            if (!(v >= -1.0 && v < 1.0)) __builtin_trap();

    const qor::HarmonicMap analysis = qor::AnalyseSamples(wav.samples);
    if (analysis.size() > 128) __builtin_trap();
    double loudest = 0.0;
    for (const auto& [h, a] : analysis) {
        if (h < 1 || !std::isfinite(a.cosine) || !std::isfinite(a.sine)) __builtin_trap();
        loudest = std::fmax(loudest, std::fmax(std::fabs(a.cosine), std::fabs(a.sine)));
    }
    if (!analysis.empty() && std::fabs(loudest - 31.0) > 1e-9) __builtin_trap();
    const qor::HarmonicMap recipe = qor::RecipeFromAnalysis(analysis);
    if (recipe.size() > qor::kRecipeEntries) __builtin_trap();
    for (const auto& [h, a] : recipe)
        if (a.cosine != 0.0 || !(a.sine > 0.0 && a.sine <= 31.0 + 1e-9)) __builtin_trap();
    return 0;
}
