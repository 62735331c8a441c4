#include "engine/LowCut.h"

#include "engine/PitchTables.h"

namespace qor {

void LowCut::reset(double sampleRate)
{
    state = 0.0;
    antiDenormal = 1e-13;
    w0 = 2.0 * std::numbers::pi / sampleRate;
    set(amount);
}

void LowCut::set(double e)
{
    amount = e;
    enabled = e > 0.0;
    if (!enabled) return;
    const double top = e < 1.0 ? e : 1.0;
    const double w = pitchToFreq(static_cast<int>(top * 12288.0)) * w0;
    const double n = 1.0 / (w + 2.0);
    c2 = 2.0 * n;
    c1 = (w - 2.0) * n;
}

}  // namespace qor
