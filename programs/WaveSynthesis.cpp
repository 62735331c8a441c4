#include "programs/WaveSynthesis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "engine/WaveMemory.h"

namespace qor {

namespace {

constexpr int kLevelCount = static_cast<int>(waveLevels.size());

// Offsets of the levels in the work buffer, level after level: 0, 512, 768, ...
constexpr std::array<int, kLevelCount> levelStarts = [] {
    std::array<int, kLevelCount> starts{};
    int at = 0;
    for (int j = 0; j < kLevelCount; ++j) {
        starts[j] = at;
        at += waveLevels[j].samples;
    }
    return starts;
}();

uint8_t sampleByte(double value)
{
    if (!std::isfinite(value)) return 128;
    return static_cast<uint8_t>(std::clamp(std::round(value + 128.0), 0.0, 255.0));
}

uint8_t slopeByte(double slope)
{
    if (!std::isfinite(slope)) return 0;
    const int s = static_cast<int>(std::clamp(std::round(slope), -128.0, 127.0));
    return static_cast<uint8_t>(s & 0xFF);
}

}  // namespace

void renderWaveTables(const HarmonicMap& harmonics, std::span<uint8_t, 1024> samples,
                      std::span<uint8_t, 1024> slopes)
{
    std::array<double, kWaveSlotBytes> work{};

    for (const auto& [h, amplitude] : harmonics) {
        if (!std::isfinite(amplitude.cosine) || !std::isfinite(amplitude.sine)) continue;
        for (int j = 0; j < kLevelCount; ++j) {
            const WaveLevel& level = waveLevels[j];
            if (level.highestHarmonic < h) continue;
            double* values = work.data() + levelStarts[j];
            for (int i = 0; i < level.samples; ++i) {
                const double x = 2.0 * std::numbers::pi * h * i / level.samples;
                values[i] += amplitude.sine * std::sin(x) + amplitude.cosine * std::cos(x);
            }
        }
    }

    double peak = 0.0;
    for (const double v : work) peak = std::max(peak, std::abs(v));
    if (peak > 0.0 && std::isfinite(peak)) {
        const double scale = kWavePeak / peak;
        for (double& v : work) v *= scale;
    } else {
        work.fill(0.0);
    }

    for (int j = 0; j < kLevelCount; ++j) {
        const WaveLevel& level = waveLevels[j];
        const double* values = work.data() + levelStarts[j];
        for (int i = 0; i < level.samples; ++i) {
            const double next = values[(i + 1) % level.samples];
            const size_t at = static_cast<size_t>(level.first + i * level.stride);
            samples[at] = sampleByte(values[i]);
            slopes[at] = slopeByte(next - values[i]);
        }
    }
}

}  // namespace qor
