// Helpers for driving the engine in tests: render blocks, send MIDI, measure audio.
#pragma once

#include <cmath>
#include <vector>

#include "engine/Engine.h"
#include "engine/ParameterIndex.h"

namespace qor::test {

struct Stereo {
    std::vector<double> left;
    std::vector<double> right;
};

// Renders `frames` samples in blocks of `block`.
inline Stereo render(Engine& engine, int frames, int block = 256, const TransportInfo& transport = {})
{
    Stereo out;
    out.left.resize(static_cast<size_t>(frames));
    out.right.resize(static_cast<size_t>(frames));
    for (int done = 0; done < frames;) {
        const int n = std::min(block, frames - done);
        engine.ProcessBlock(out.left.data() + done, out.right.data() + done, n, transport);
        done += n;
    }
    return out;
}

inline void send(Engine& engine, int status, int data1, int data2, int offset = 0)
{
    QueuedMidiEvent ev;
    ev.offset = offset;
    ev.status = static_cast<uint8_t>(status);
    ev.data1 = static_cast<uint8_t>(data1);
    ev.data2 = static_cast<uint8_t>(data2);
    engine.Queue().Add(ev);
}

inline void noteOn(Engine& engine, int note, int velocity = 100, int offset = 0) { send(engine, 0x90, note, velocity, offset); }
inline void noteOff(Engine& engine, int note, int offset = 0) { send(engine, 0x80, note, 0, offset); }

inline double rms(const std::vector<double>& x, size_t begin = 0, size_t end = SIZE_MAX)
{
    end = std::min(end, x.size());
    if (begin >= end) return 0.0;
    double s = 0.0;
    for (size_t i = begin; i < end; ++i) s += x[i] * x[i];
    return std::sqrt(s / static_cast<double>(end - begin));
}

inline double peak(const std::vector<double>& x)
{
    double p = 0.0;
    for (double v : x) p = std::max(p, std::fabs(v));
    return p;
}

inline bool allFinite(const std::vector<double>& x)
{
    for (double v : x)
        if (!std::isfinite(v)) return false;
    return true;
}

// Fundamental frequency from the positive-going zero crossings (linearly
// interpolated) of a signal with one such crossing per cycle.
inline double zeroCrossingFrequency(const std::vector<double>& x, double sampleRate, size_t begin = 0)
{
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = std::max<size_t>(begin, 1); i < x.size(); ++i) {
        if (x[i - 1] < 0.0 && x[i] >= 0.0) {
            const double t = static_cast<double>(i - 1) + x[i - 1] / (x[i - 1] - x[i]);
            if (first < 0.0) first = t;
            last = t;
            ++crossings;
        }
    }
    if (crossings < 2) return 0.0;
    return (crossings - 1) * sampleRate / (last - first);
}

// Magnitude of the component at `freq` (Goertzel), normalised to the amplitude of a sine.
inline double toneAmplitude(const std::vector<double>& x, double freq, double sampleRate, size_t begin, size_t end)
{
    const double w = 2.0 * M_PI * freq / sampleRate;
    double re = 0.0, im = 0.0;
    for (size_t i = begin; i < end; ++i) {
        re += x[i] * std::cos(w * static_cast<double>(i));
        im -= x[i] * std::sin(w * static_cast<double>(i));
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(end - begin);
}

// A fresh engine at the given rate with the initial program, Range at 8'.
inline void prepare(Engine& engine, double sampleRate = 44100.0)
{
    engine.Reset(sampleRate);
    engine.SetParameterValue(kRange, 1);
}

}  // namespace qor::test
