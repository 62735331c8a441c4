#include "engine/Lfo.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace qor {

namespace {

// The integer part of a plain parameter value; a value no parameter can hold
// (not a number, out of range) counts as 0 rather than overflowing.
int64_t wholePart(double raw) { return (raw > -1e15 && raw < 1e15) ? static_cast<int64_t>(raw) : 0; }

size_t masked(double raw, int mask) { return static_cast<size_t>(wholePart(raw) & mask); }

}  // namespace

int lfoSyncIndex(int speed)
{
    const float i = std::round(static_cast<float>(speed) * 19.0f / 99.0f);
    return i < 0.0f ? 0 : (i > 19.0f ? 19 : static_cast<int>(i));
}

float Lfo::freeRate(int speed)
{
    speed = std::clamp(speed, 0, 99);
    if (speed < 10) return 2.0f * kSlowRates[static_cast<size_t>(speed)];
    if (speed == 99) return 0.125f;
    const size_t k = static_cast<size_t>(speed / 10);
    const float lo = kDecadeRates[k - 1];
    const float hi = kDecadeRates[k];
    return 2.0f * (lo + (hi - lo) * static_cast<float>(speed % 10) / 10.0f);
}

void Lfo::reset(double newSampleRate, int newControlPeriod)
{
    sampleRate = newSampleRate;
    controlPeriod = static_cast<double>(newControlPeriod);
    syncCountdown = syncSamples;
    position = 0.0;
}

void Lfo::setSpeed(int newSpeed)
{
    // The parameter is 0..99; anything else would read past the rate tables.
    speed = static_cast<uint8_t>(std::clamp(newSpeed, 0, 99));
    syncIndex = static_cast<uint8_t>(lfoSyncIndex(speed));
    if (!sync) rate = freeRate(speed);
}

void Lfo::setSync(bool on)
{
    sync = on ? 1 : 0;
    setSpeed(speed);
}

void Lfo::setShapeParam(double raw)
{
    const double s = raw - 1.0;
    shape = (s >= 0.0 && s <= 6.0) ? static_cast<int32_t>(s) : kLfoSawUp;
}

void Lfo::setDelayParam(double raw)
{
    const size_t i = masked(raw, 31);
    fadeRate = i == 0 ? 1.0f : kDelayRates[i];
}

void Lfo::setOscDepthParam(double raw) { oscDepth = kOscDepths[masked(raw, 31)] * 12.0f; }

void Lfo::setVcfDepthParam(double raw)
{
    vcfDepth = static_cast<float>(static_cast<double>(masked(raw, 31)) * 8022.421606775006 / 31.0);
}

void Lfo::setVcaDepthParam(double raw) { vcaDepth = static_cast<float>(masked(raw, 31)) / 31.0f; }

void Lfo::setAutoBendParam(double raw)
{
    // Fifth power: fine bends over most of the range, two octaves at +/-31.
    const float x = static_cast<float>(static_cast<int>(std::clamp<int64_t>(wholePart(raw), -31, 31))) / 31.0f;
    autoBendAmount = std::pow(x, 5.0f) * 3072.0f;
}

void Lfo::setPressureOscDepthParam(double raw)
{
    pressureOscDepth = static_cast<float>(masked(raw, 15)) * 12.0f / 15.0f;
}

void Lfo::beginBlock(const TransportInfo& t)
{
    timeInfo = &t;

    double tempo = std::round(t.tempo * 1000.0) * 0.001;
    if (!(tempo > 0.0)) tempo = 120.0;
    const double beat = 60.0 / tempo * sampleRate;
    syncLength = beat * kLfoSyncBeats[syncIndex];
    // A crawling host tempo could give a cycle longer than the counter holds.
    const double rounded = std::floor(syncLength + 0.5);
    syncSamples = rounded >= 0.0 && rounded < double(INT32_MAX) ? static_cast<int32_t>(rounded) : INT32_MAX;

    const bool running = t.playing;
    if (running) position = t.samplePos >= 0.0 ? beat * t.ppqPos : t.samplePos;

    if (t.ppqPos != lastPpq) {
        if (lastPpq > t.ppqPos) {  // the host jumped back
            position = 0.0;
            syncCountdown = syncSamples;
        }
        nextSyncPos = syncLength > 0.0 ? std::floor(position / syncLength) * syncLength : position;
        if (position > nextSyncPos) nextSyncPos += syncLength;
        lastPpq = t.ppqPos;
    }

    if (running != transportWasRunning_) {
        if (running) {
            syncCountdown = syncSamples;
            position = 0.0;
        }
        transportWasRunning_ = running;
    }
}

void Lfo::tick(double pressure)
{
    if (sync) {
        position = std::max(position, 0.0);
        syncCountdownSeen = syncCountdown;
        // Progress through the sync cycle: -1 just after a sync point, rising
        // to +1 where the next one restarts the countdown.
        const float period = static_cast<float>(controlPeriod);
        float e = static_cast<float>(syncCountdown) * period;
        const float d = static_cast<float>(syncSamples) * period;
        if (e >= d) e = 0.0f;
        phase = d <= 1.0f ? 0.0f : 1.0f - 2.0f * e / d;
    }

    float out = 0.0f;
    switch (shape) {
    case kLfoTriangle: out = 2.0f * std::fabs(phase) - 1.0f; break;
    case kLfoSawDown: out = -phase; break;
    case kLfoSquare: out = phase < 0.0f ? 0.0f : 1.0f; break;
    case kLfoInvSquare: out = phase < 0.0f ? 0.0f : -1.0f; break;
    case kLfoRandom:
    case kLfoChromaticRandom:
        if (lastPhase > phase) randomValue = static_cast<float>(noise.next());  // a new cycle
        out = randomValue;
        break;
    default: out = phase; break;  // saw up
    }
    lastPhase = phase;

    if (fade < 1.0f) {
        out *= fade;
        fade += fadeRate;
    }

    phase += rate;
    if (phase >= 1.0f) phase = -1.0f;

    float semitones = std::min(12.0f, pressureOscDepth * static_cast<float>(pressure) + oscDepth) * out;
    if (shape == kLfoChromaticRandom) semitones = std::round(semitones);
    pitchMod = semitones * 128.0f;
    cutoffMod = out * vcfDepth;
    ampFactor = out * vcaDepth + 1.0f;
    // The fade can step past 1; past it the bend is over, not reversed.
    autoBend = autoBendAmount * (1.0f - std::min(fade, 1.0f));
}

void Lfo::sampleTick()
{
    if (syncCountdown > 0) --syncCountdown;
    position += 1.0;
    if (position >= nextSyncPos) {
        nextSyncPos = position + syncLength;
        syncCountdown = syncSamples;
    }
}

}  // namespace qor
