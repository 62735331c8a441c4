#include "programs/UserWave.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "programs/WaveSynthesis.h"

namespace qor {

HarmonicMap AnalyseSamples(std::span<const double> samples)
{
    const std::size_t count = samples.size();
    const int m = static_cast<int>(std::min<std::size_t>(count / 2, kAnalysedHarmonics));
    if (m == 0) return {};

    // The result is scaled to its loudest harmonic, so the input's own scale
    // does not matter; only inputs near the ends of the double range are
    // brought to 1 first, where the sums would overflow or the final scale
    // factor would.
    double peak = 0.0;
    for (const double x : samples)
        if (std::isfinite(x)) peak = std::max(peak, std::abs(x));
    if (peak == 0.0) return {};
    const bool normalise = peak > 1e200 || peak < 1e-200;
    std::vector<double> x(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double v = std::isfinite(samples[i]) ? samples[i] : 0.0;
        x[i] = normalise ? v / peak : v;
    }

    // cos and sin of 2 pi k / count: harmonic a at sample i reads entry
    // (a i) mod count, the same angle without the precision that a large a i
    // would cost.
    std::vector<double> cosTable(count);
    std::vector<double> sinTable(count);
    for (std::size_t k = 0; k < count; ++k) {
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(count);
        cosTable[k] = std::cos(angle);
        sinTable[k] = std::sin(angle);
    }

    std::array<HarmonicAmplitude, kAnalysedHarmonics> sums{};
    double largest = 0.0;
    for (int a = 1; a <= m; ++a) {
        const double w = 0.54 + 0.46 * std::cos((a - 1) * (std::numbers::pi / 2.0) / m);
        double c = 0.0;
        double s = 0.0;
        std::size_t k = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const double wx = w * x[i];
            c += wx * cosTable[k];
            s += wx * sinTable[k];
            k += static_cast<std::size_t>(a);
            if (k >= count) k -= count;
        }
        sums[static_cast<std::size_t>(a - 1)] = {c, s};
        largest = std::max({largest, std::abs(c), std::abs(s)});
    }
    // An input without harmonics (silence, or a constant) still leaves
    // rounding noise in the sums; scaled to 31 it would turn into a loud wave
    // of noise. Anything at the rounding level counts as silence.
    const double roundingLevel = 1e-12 * (normalise ? 1.0 : peak) * static_cast<double>(count);
    if (!(largest > roundingLevel) || !std::isfinite(largest)) return {};

    const double scale = kAnalysisLevel / largest;
    HarmonicMap harmonics;
    for (int a = 1; a <= m; ++a) {
        const HarmonicAmplitude& sum = sums[static_cast<std::size_t>(a - 1)];
        harmonics[static_cast<uint8_t>(a)] = {sum.cosine * scale, sum.sine * scale};
    }
    return harmonics;
}

HarmonicMap RecipeFromAnalysis(const HarmonicMap& analysis)
{
    HarmonicMap recipe;
    double largest = 0.0;
    for (const auto& [h, amplitude] : analysis) {
        if (recipe.size() >= kRecipeEntries) break;
        const double d = std::abs(amplitude.sine) + std::abs(amplitude.cosine);
        if (!(d >= kRecipeThreshold) || !std::isfinite(d)) continue;
        recipe[h] = {0.0, d};
        largest = std::max(largest, d);
    }
    if (recipe.empty()) return recipe;
    const double scale = kAnalysisLevel / largest;
    for (auto& [h, amplitude] : recipe) amplitude.sine *= scale;
    return recipe;
}

std::array<double, kDefaultWaveSamples> DefaultInternalWave()
{
    std::array<double, kDefaultWaveSamples> wave{};
    for (int k = 0; k < static_cast<int>(kDefaultWaveSamples); ++k)
        wave[static_cast<std::size_t>(k)] = k < 128 ? k : (k < 384 ? 256 - k : k - 512);
    return wave;
}

std::array<double, kDefaultWaveSamples> DefaultCartridgeWave()
{
    std::array<double, kDefaultWaveSamples> wave{};
    wave.fill(-1.0);
    std::fill(wave.begin() + 192, wave.begin() + 320, 7.0);
    return wave;
}

const UserWaveForms& DefaultUserWave(int memory)
{
    static const std::array<UserWaveForms, 2> waves = [] {
        std::array<UserWaveForms, 2> forms;
        const std::array<std::array<double, kDefaultWaveSamples>, 2> samples{DefaultInternalWave(), DefaultCartridgeWave()};
        for (std::size_t m = 0; m < forms.size(); ++m) {
            const HarmonicMap analysis = AnalyseSamples(samples[m]);
            renderWaveTables(analysis, std::span<uint8_t, 1024>(forms[m].tables.data(), 1024),
                             std::span<uint8_t, 1024>(forms[m].tables.data() + 1024, 1024));
            forms[m].recipe = RecipeFromAnalysis(analysis);
        }
        return forms;
    }();
    return waves[memory == 1 ? 1 : 0];
}

}  // namespace qor
