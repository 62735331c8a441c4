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
    double process(double x);

    // r in 0.125..1 (the chorus clamps it there).
    void setRate(double r)
    {
        rate = r;
        invRate = 1.0 / r;
    }

    // Catmull-Rom between p1 and p2 at f in 0..1.
    static double interpolate(double p0, double p1, double p2, double p3, double f)
    {
        return p1 + 0.5 * (p2 - p0) * f + (p0 - 2.5 * p1 + 2.0 * p2 - 0.5 * p3) * f * f
               + (0.5 * (p3 - p0) + 1.5 * (p1 - p2)) * f * f * f;
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
