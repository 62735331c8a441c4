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

double DelayLine::feed(double v)
{
    if (buffer.empty()) return 0.0;  // never created
    in0 = in1;
    in1 = in2;
    in2 = in3;
    in3 = v;
    // The state in locals: the writes into the buffer cannot touch them, so
    // they stay in registers over the steps.
    const Curve input(in0, in1, in2, in3);
    LowPass filter = outFilter;
    double o0 = out0, o1 = out1, o2 = out2, o3 = out3;
    double f = frac;
    int32_t w = writeIndex;
    double* cells = buffer.data();
    // The first step checks the whole filter state, the others only what
    // can have become not a number since (LowPass::processNext).
    if (f < 1.0) {
        const auto advance = [&](double r) {
            o0 = o1;
            o1 = o2;
            o2 = o3;
            o3 = r;
        };
        if (--w < 0) w = length - 1;
        advance(filter.process(cells[w]));
        cells[w] = input.at(f);
        f += rate;
        while (f < 1.0) {
            if (--w < 0) w = length - 1;
            double& cell = cells[w];
            advance(filter.processNext(cell));
            cell = input.at(f);
            f += rate;
        }
    }
    outFilter = filter;
    out0 = o0, out1 = o1, out2 = o2, out3 = o3;
    writeIndex = w;
    const double t = 1.0 - (f - 1.0) * invRate;
    frac = f - 1.0;
    return interpolate(o0, o1, o2, o3, t);
}

}  // namespace qor
