#include "engine/PitchTables.h"

#include <cmath>

namespace qor {

namespace {

double roundTo(double x, double scale) { return std::round(x * scale) / scale; }

}  // namespace

const std::array<double, 136>& noteFreqTable()
{
    static const std::array<double, 136> table = [] {
        std::array<double, 136> t{};
        for (int n = 0; n < 136; ++n) {
            const double f = 440.0 * std::pow(2.0, (n - 69) / 12.0);
            // The hardware's table keeps two decimals for notes 124..127.
            t[n] = (n >= 124 && n <= 127) ? roundTo(f, 100.0) : roundTo(f, 1000.0);
        }
        return t;
    }();
    return table;
}

const std::array<double, 136>& lowFreqTable()
{
    static const std::array<double, 136> table = [] {
        std::array<double, 136> t{};
        for (int n = 0; n < 136; ++n) t[n] = roundTo(8.176 * std::pow(2.0, -n / 12.0), 1e10);
        return t;
    }();
    return table;
}

double pitchToFreq(int p)
{
    if (p == 0) return 8.176;
    const auto& table = p > 0 ? noteFreqTable() : lowFreqTable();
    const int q = p > 0 ? p : -p;
    if (q > 17279) return p > 0 ? 19912.127 : 0.0033570162;
    const int n = q >> 7;
    return table[n] + (table[n + 1] - table[n]) * (q & 127) / 128;
}

int freqToPitch(double hz)
{
    if (hz >= pitchToFreq(kMaxPitch)) return kMaxPitch;
    if (hz <= pitchToFreq(-kMaxPitch)) return -kMaxPitch;
    const bool above = hz >= pitchToFreq(0);
    const auto& table = above ? noteFreqTable() : lowFreqTable();
    // The semitone whose segment holds hz (the low table falls with n).
    int n = 0;
    while (n < 134 && (above ? table[n + 1] <= hz : table[n + 1] >= hz)) ++n;
    const double step = (hz - table[n]) * 128.0 / (table[n + 1] - table[n]);
    int q = n * 128 + static_cast<int>(step);
    // The division may land a hair beside an exact table point; settle on the
    // truncated pitch by the forward function itself.
    if (above) {
        while (q > 0 && pitchToFreq(q) > hz) --q;
        while (q < kMaxPitch && pitchToFreq(q + 1) <= hz) ++q;
        return q;
    }
    while (q > 0 && pitchToFreq(-q) < hz) --q;
    while (q < kMaxPitch && pitchToFreq(-(q + 1)) >= hz) ++q;
    return -q;
}

const std::array<int32_t, kMaxPitch + 1>& incrementTable()
{
    static const std::array<int32_t, kMaxPitch + 1> table = [] {
        std::array<int32_t, kMaxPitch + 1> t{};
        for (int i = 0; i <= kMaxPitch; ++i)
            t[i] = static_cast<int32_t>(std::lround(pitchToFreq(i) * 402.653184));
        return t;
    }();
    return table;
}

}  // namespace qor
