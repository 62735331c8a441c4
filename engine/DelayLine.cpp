#include "engine/DelayLine.h"

#include <algorithm>

namespace qor {

void DelayLine::create(double sampleRate, double seconds)
{
    length = std::max(1, static_cast<int32_t>(sampleRate * seconds));
    buffer.assign(static_cast<size_t>(length), 0.0);
    writeIndex = 0;
    frac = 0;
    in0 = in1 = in2 = in3 = 0;
    out0 = out1 = out2 = out3 = 0;
    // 8000 Hz, or just below Nyquist at low rates where 8000 Hz would make
    // the filters unstable.
    const double fc = std::min(8000.0, 0.45 * sampleRate);
    inFilter.setSampleRate(sampleRate);
    inFilter.design(fc);
    outFilter.setSampleRate(sampleRate);
    outFilter.design(fc);
    setRate(0.125);
}

double DelayLine::process(double x)
{
    if (buffer.empty()) return 0.0;  // never created
    const double v = inFilter.process(x);
    in0 = in1;
    in1 = in2;
    in2 = in3;
    in3 = v;
    while (frac < 1.0) {
        if (--writeIndex < 0) writeIndex = length - 1;
        double& cell = buffer[static_cast<size_t>(writeIndex)];
        const double r = outFilter.process(cell);
        out0 = out1;
        out1 = out2;
        out2 = out3;
        out3 = r;
        cell = interpolate(in0, in1, in2, in3, frac);
        frac += rate;
    }
    const double t = 1.0 - (frac - 1.0) * invRate;
    frac -= 1.0;
    return interpolate(out0, out1, out2, out3, t);
}

}  // namespace qor
