#include "engine/Chorus.h"

#include <algorithm>
#include <cmath>

#include "engine/ChorusCurve.h"

namespace qor {

Chorus::Chorus()
{
    lineA.create(44100.0, 0.04);
    lineB.create(44100.0, 0.04);
    lineC.create(44100.0, 0.04);
}

void Chorus::create(double sampleRate)
{
    lineA.create(sampleRate, kSecondsA);
    lineB.create(sampleRate, kSecondsB);
    lineC.create(sampleRate, kSecondsC);
}

void Chorus::setMode(double raw)
{
    // Clamp before the conversion so that no value can become an unknown mode.
    const double m = std::isnan(raw) ? 0.0 : std::clamp(raw, 0.0, 7.0);
    chorusMode = static_cast<uint8_t>(static_cast<int>(m));
    updateChorus();
}

void Chorus::setSpeed(double e)
{
    speed = std::pow(2.0, (e - 0.5) * 8.0) * 2.0;
    updateChorus();
}

void Chorus::setDepth(double e)
{
    depthParam = e;
    updateChorus();
}

void Chorus::updateChorus()
{
    switch (chorusMode) {
    case 1:
        chorusInc = speed / 488.0;
        chorusDepth = depthParam;
        chorusOffset = 0.0;
        break;
    case 2:
        chorusInc = speed / 244.0;
        chorusDepth = depthParam;
        chorusOffset = 0.0;
        break;
    case 3:
        chorusInc = speed / 487.0;
        chorusDepth = depthParam;
        chorusOffset = 0.0;
        break;
    case 4:
        chorusInc = speed / 48.5;
        chorusDepth = depthParam * 0.5;
        chorusOffset = 0.25;
        break;
    default:
        chorusInc = chorusDepth = chorusOffset = 0.0;
        break;
    }
}

void Chorus::setRates(double v)
{
    // The two lines sweep in opposite directions between rate 0.125 and 1.
    lineA.setRate(std::clamp(v, 0.0, 1.0) * 0.875 + 0.125);
    lineB.setRate(std::clamp(1.0 - v, 0.0, 1.0) * 0.875 + 0.125);
    chorusPhase += chorusInc;
    // The summed increments fall a hair short of 2 after a whole cycle
    // (488 x 2/488 < 2 in doubles); without the margin the cycle would take
    // one tick too many and sit at the bottom twice.
    if (chorusPhase >= 2.0 - 1e-9) chorusPhase = 0.0;
}

void Chorus::controlTick()
{
    chorusActive = 0;
    delayActive = 0;
    switch (chorusMode) {
    case 0:
        break;
    case 3: {
        chorusActive = 1;
        const long index = std::lround(chorusPhase * 0.5 * 487.0);
        setRates(chorus3Curve[static_cast<size_t>(std::clamp(index, 0L, 487L))]);
        break;
    }
    case 5:
        chorusActive = 1;
        lineA.setRate(1.0);
        lineB.setRate(0.125);
        break;
    case 6:
        chorusActive = 1;
        lineA.setRate(0.125);
        lineB.setRate(1.0);
        break;
    case 7:
        delayActive = 1;
        break;
    default: {
        // 1, 2, 4: triangle over the phase, rising for 0..1 and falling for 1..2.
        chorusActive = 1;
        const double p = chorusPhase;
        const double v = (p < 1.0 ? p : 2.0 - p) * chorusDepth + chorusOffset;
        setRates(v);
        break;
    }
    }
}

}  // namespace qor
