// Listening to factory programs by measurement. A program is taken from a
// plug-in exactly as restoring its slot leaves it (the sixty parameter values
// the plug-in hands its engine and the two user-wave tables), then played on a
// fresh engine, so that every take starts from the same state whatever was
// played before. The figures are the ones a sound designer reads off a meter
// and an analyser: peak, windowed level, time to fall 60 dB after the release,
// and the spectral centroid of the held sound.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdint>
#include <memory>
#include <numbers>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/ParameterIndex.h"
#include "plugin/QOR.h"

namespace qor::test {

inline constexpr double kAuditionRate = 44100.0;
inline constexpr int kAuditionBlock = 256;

// Middle C alone, and a four-note C major chord around it.
inline constexpr std::array<int, 1> kMiddleC{60};
inline constexpr std::array<int, 4> kChord{60, 64, 67, 72};

// What the engine receives when the plug-in makes a program current.
struct ProgramSnapshot {
    std::string name;
    bool cartridge = false;
    std::array<double, kNumParams> raw{};
    std::array<double, kNumParams> normalized{};
    std::array<std::array<uint8_t, kUserWaveBytes>, 2> userWaves{};
};

inline ProgramSnapshot Snapshot(QOR& plug, int slot)
{
    plug.RestorePreset(slot);
    ProgramSnapshot s;
    s.name = plug.GetPresetName(slot);
    s.cartridge = plug.CurrentIsCartridge();
    for (int i = 0; i < kNumParams; ++i) {
        const IParameter& p = *plug.GetParam(i);
        s.raw[static_cast<std::size_t>(i)] = std::clamp(p.Value(), p.Min(), p.Max());
        s.normalized[static_cast<std::size_t>(i)] = p.GetNormalized(s.raw[static_cast<std::size_t>(i)]);
    }
    for (int m = 0; m < 2; ++m)
        std::copy_n(plug.ActiveTable(m), kUserWaveBytes, s.userWaves[static_cast<std::size_t>(m)].begin());
    return s;
}

// A fresh engine at 44.1 kHz holding the program, as the plug-in would.
inline std::unique_ptr<Engine> EngineFor(const ProgramSnapshot& s)
{
    auto engine = std::make_unique<Engine>();
    engine->Reset(kAuditionRate);
    engine->SetCurrentMemory(s.cartridge);
    for (int i = 0; i < kNumParams; ++i)
        engine->SetParameter(i, s.raw[static_cast<std::size_t>(i)], s.normalized[static_cast<std::size_t>(i)]);
    for (int m = 0; m < 2; ++m)
        std::copy(s.userWaves[static_cast<std::size_t>(m)].begin(), s.userWaves[static_cast<std::size_t>(m)].end(),
                  engine->UserWave(m));
    return engine;
}

struct Take {
    std::vector<double> left;
    std::vector<double> right;
    std::size_t releaseAt = 0;  // sample of the note-offs
};

inline std::size_t Samples(double seconds) { return static_cast<std::size_t>(seconds * kAuditionRate + 0.5); }

// Plays keys at velocity on a fresh engine holding the program: held for
// hold seconds, then released and followed for tail seconds. With pressure,
// channel pressure goes to that value right after the note-ons.
inline Take Play(const ProgramSnapshot& program, std::span<const int> keys, int velocity, double hold, double tail,
                 std::optional<int> pressure = std::nullopt)
{
    auto engine = EngineFor(program);
    Take take;
    const std::size_t total = Samples(hold + tail);
    take.releaseAt = Samples(hold);
    take.left.assign(total, 0.0);
    take.right.assign(total, 0.0);
    auto send = [&](uint8_t status, int data1, int data2, std::size_t offset) {
        QueuedMidiEvent e;
        e.offset = static_cast<int32_t>(offset);
        e.status = status;
        e.data1 = static_cast<uint8_t>(data1);
        e.data2 = static_cast<uint8_t>(data2);
        engine->Queue().Add(e);
    };
    for (const int key : keys) send(0x90, key, velocity, 0);
    if (pressure) send(0xD0, *pressure, 0, 0);
    for (std::size_t done = 0; done < total;) {
        const std::size_t n = std::min<std::size_t>(kAuditionBlock, total - done);
        if (done <= take.releaseAt && take.releaseAt < done + n)
            for (const int key : keys) send(0x80, key, 0, take.releaseAt - done);
        engine->ProcessBlock(take.left.data() + done, take.right.data() + done, static_cast<int>(n), TransportInfo{});
        done += n;
    }
    return take;
}

inline double Peak(const Take& t)
{
    double p = 0.0;
    for (std::size_t i = 0; i < t.left.size(); ++i) p = std::max({p, std::fabs(t.left[i]), std::fabs(t.right[i])});
    return p;
}

inline bool AllFinite(const Take& t)
{
    return std::all_of(t.left.begin(), t.left.end(), [](double v) { return std::isfinite(v); }) &&
           std::all_of(t.right.begin(), t.right.end(), [](double v) { return std::isfinite(v); });
}

inline double Decibels(double amplitude) { return 20.0 * std::log10(std::max(amplitude, 1e-12)); }

// RMS of both channels over [begin, end) in seconds.
inline double Rms(const Take& t, double begin, double end)
{
    const std::size_t a = std::min(Samples(begin), t.left.size());
    const std::size_t b = std::min(Samples(end), t.left.size());
    if (a >= b) return 0.0;
    double sum = 0.0;
    for (std::size_t i = a; i < b; ++i) sum += t.left[i] * t.left[i] + t.right[i] * t.right[i];
    return std::sqrt(sum / (2.0 * static_cast<double>(b - a)));
}

// The loudest RMS window of the given length before `until`, stepped by half a window.
inline double LoudestWindow(const Take& t, double window, double until)
{
    double best = 0.0;
    for (double at = 0.0; at + window <= until + 1e-9; at += window / 2) best = std::max(best, Rms(t, at, at + window));
    return best;
}

// Seconds from the note-off to the last sample above the peak minus belowPeakDb.
inline double FallTime(const Take& t, double belowPeakDb = 60.0)
{
    const double limit = Peak(t) * std::pow(10.0, -belowPeakDb / 20.0);
    std::size_t last = t.releaseAt;
    for (std::size_t i = t.releaseAt; i < t.left.size(); ++i)
        if (std::fabs(t.left[i]) > limit || std::fabs(t.right[i]) > limit) last = i;
    return static_cast<double>(last - t.releaseAt) / kAuditionRate;
}

// Power spectrum of the sum of both channels over 16384 samples (0.37 s)
// from `begin` seconds, Hann-windowed: bin k lies at k x 44100 / 16384 Hz.
inline std::vector<double> PowerSpectrum(const Take& t, double begin)
{
    constexpr std::size_t n = 16384;
    const std::size_t a = Samples(begin);
    if (a + n > t.left.size()) return {};
    std::vector<std::complex<double>> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / n);
        x[i] = 0.5 * (t.left[a + i] + t.right[a + i]) * w;
    }
    // In-place radix-2 FFT.
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi / static_cast<double>(len));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (std::size_t k = 0; k < len / 2; ++k) {
                const auto u = x[i + k];
                const auto v = x[i + k + len / 2] * w;
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
    std::vector<double> power(n / 2);
    for (std::size_t k = 1; k < n / 2; ++k) power[k] = std::norm(x[k]);
    return power;
}

inline double BinHz(std::size_t k) { return static_cast<double>(k) * kAuditionRate / 16384.0; }

// Power-weighted spectral centroid in Hz over the spectrum's window.
inline double Centroid(const Take& t, double begin)
{
    const auto power = PowerSpectrum(t, begin);
    double weighted = 0.0, total = 0.0;
    for (std::size_t k = 0; k < power.size(); ++k) {
        weighted += power[k] * BinHz(k);
        total += power[k];
    }
    return total > 0.0 ? weighted / total : 0.0;
}

// The share of the power above `hz`, in dB (0 = all of it).
inline double ShareAbove(const Take& t, double begin, double hz)
{
    const auto power = PowerSpectrum(t, begin);
    double above = 0.0, total = 0.0;
    for (std::size_t k = 0; k < power.size(); ++k) {
        if (BinHz(k) > hz) above += power[k];
        total += power[k];
    }
    return total > 0.0 ? Decibels(std::sqrt(above / total)) : -240.0;
}

}  // namespace qor::test
