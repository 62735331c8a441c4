// A resampling delay line, the model of a clocked analogue (bucket-brigade)
// delay: the buffer is stepped `1 / rate` times per input sample, so the delay
// is `length x rate` input samples. Input and output are band-limited at
// 8000 Hz and resampled with Catmull-Rom interpolation.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/LowPass.h"

namespace qor {

struct DelayLine {
    // Allocates and zeroes (int)(sampleRate x seconds) entries (at least
    // one), rate 0.125. Not on the audio thread.
    void create(double sampleRate, double seconds);

    // Audio thread.
    double process(double x)
    {
        if (buffer.empty()) return 0.0;  // never created
        return feed(inFilter.process(x));
    }

    // Audio thread: process() for an input that has been through a filter
    // equal to inFilter already (two lines that always take the same input
    // need only filter it once).
    double feed(double v);

    // r in 0.125..1 (the chorus clamps it there).
    void setRate(double r)
    {
        rate = r;
        invRate = 1.0 / r;
    }

    // Catmull-Rom between p1 and p2: p1 + a f + b f^2 + c f^3, evaluated as
    // ((p1 + a f) + (b f) f) + ((c f) f) f with a = 0.5 (p2 - p0),
    // b = p0 - 2.5 p1 + 2 p2 - 0.5 p3, c = 0.5 (p3 - p0) + 1.5 (p1 - p2).
    struct Curve {
        double p1, a, b, c;
        Curve(double p0, double p1_, double p2, double p3)
            : p1(p1_), a(0.5 * (p2 - p0)), b(p0 - 2.5 * p1_ + 2.0 * p2 - 0.5 * p3),
              c(0.5 * (p3 - p0) + 1.5 * (p1_ - p2))
        {
        }
        double at(double f) const { return p1 + a * f + b * f * f + c * f * f * f; }
    };

    // Catmull-Rom between p1 and p2 at f in 0..1.
    static double interpolate(double p0, double p1, double p2, double p3, double f)
    {
        return Curve(p0, p1, p2, p3).at(f);
    }

    LowPass inFilter;
    LowPass outFilter;
    // Last four filtered inputs and buffer reads, oldest first.
    double in0 = 0, in1 = 0, in2 = 0, in3 = 0;
    double out0 = 0, out1 = 0, out2 = 0, out3 = 0;
    std::vector<double> buffer;
    int32_t length = 0;
    int32_t writeIndex = 0;  // moves downwards
    double frac = 0;         // position between input samples, 0..1
    double rate = 0.125;     // input samples per buffer step, 0.125..1
    double invRate = 8.0;
};

}  // namespace qor
