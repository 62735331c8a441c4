#include "engine/Envelope.h"

#include "engine/EnvelopeCurves.h"

#include <cmath>
#include <span>

namespace qor {

namespace {

// Linear interpolation in a curve of N + 1 points; x outside 0..1 gives the
// curve's nominal ends 0 and 1 (a not-a-number phase counts as below).
float lookUp(std::span<const float> table, float x)
{
    if (!(x >= 0.0f)) return 0.0f;
    if (x >= 1.0f) return 1.0f;
    const int last = static_cast<int>(table.size()) - 1;
    const float p = x * static_cast<float>(last);
    const int i = static_cast<int>(std::floor(p));
    const int i0 = i < 0 ? 0 : (i > last ? last : i);
    const int i1 = i + 1 > last ? last : i + 1;
    const float a = table[static_cast<size_t>(i0)];
    const float b = table[static_cast<size_t>(i1)];
    return a + (b - a) * (p - static_cast<float>(i));
}

}  // namespace

void Envelope::step()
{
    switch (stage) {
    case kAttack:
        if (phase < 1.0f) {
            level = phase;
            phase += increment;
        } else {
            level = 1.0f;
            stage = kDecay;
            phase = 0.0f;
            increment = decayIncrement(decay);
        }
        break;
    case kDecay:
        if (phase < 1.0f) {
            const float v = curve(phase);
            phase += increment;
            level = (1.0f - sustain) * v + sustain;
        } else {
            level = sustain;
        }
        break;
    case kRelease:
        if (phase < 1.0f) {
            level = curve(phase) * releaseLevel;
            phase += increment;
        } else {
            level = 0.0f;
            releaseLevel = 0.0f;
            stage = kIdle;
            phase = 0.0f;
        }
        break;
    default:
        break;
    }
}

void Envelope::gateOn()
{
    phase = level;
    stage = kAttack;
    increment = attackIncrement(attack);
}

void Envelope::gateOff()
{
    releaseLevel = level;
    if (level > 0.0f) {
        stage = kRelease;
        phase = 0.0f;
        increment = decayIncrement(release);
    } else {
        stage = kIdle;
        phase = 0.0f;
        increment = 0.0f;
    }
}

void Envelope::setAttack(int r)
{
    attack = static_cast<uint8_t>(r & 31);
    if (stage == kAttack) increment = attackIncrement(r);
}

void Envelope::setDecay(int r)
{
    decay = static_cast<uint8_t>(r & 31);
    if (stage == kDecay) increment = decayIncrement(r);
}

void Envelope::setRelease(int r)
{
    release = static_cast<uint8_t>(r & 31);
    if (stage == kRelease) increment = decayIncrement(r);
}

void Envelope::setSustain(int r) { sustain = static_cast<float>(r & 31) * kSustainStep; }

float EnvelopeVCF::attackIncrement(int rate) const { return kAttackRates[static_cast<size_t>(rate & 31)] * 1.1f; }
float EnvelopeVCF::decayIncrement(int rate) const { return kDecayRates[static_cast<size_t>(rate & 31)] * 1.1f; }
float EnvelopeVCF::curve(float x) const { return lookUp(vcfCurve, x); }

float EnvelopeVCA::attackIncrement(int rate) const { return kAttackRates[static_cast<size_t>(rate & 31)]; }
float EnvelopeVCA::decayIncrement(int rate) const { return kDecayRates[static_cast<size_t>(rate & 31)]; }
float EnvelopeVCA::curve(float x) const { return lookUp(vcaCurve, x); }

}  // namespace qor
