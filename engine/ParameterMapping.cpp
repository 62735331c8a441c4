// How each parameter's value reaches the engine and the voices. Integer
// fields take the truncation of the product; the rate masks & 31 and & 15 act
// on the value as a 64-bit integer.
#include <algorithm>
#include <cmath>

#include "engine/Engine.h"
#include "engine/ParameterIndex.h"

namespace qor {

namespace {

constexpr std::array<uint8_t, 5> kVoiceCounts{1, 6, 12, 32, 64};

}  // namespace

void Engine::SetParameter(int index, double raw, double e)
{
    if (index < 0 || index >= kNumParams) return;
    if (!std::isfinite(raw) || !std::isfinite(e)) return;  // a corrupt value changes nothing
    // A value outside its range is taken at the nearer end: far outside, the
    // chorus rate alone would turn infinite and leave a delay line NaN.
    const ParamRange& r = paramRanges[static_cast<size_t>(index)];
    raw = std::clamp(raw, r.min, r.max);
    e = std::clamp(e, 0.0, 1.0);
    const bool on = e >= 0.5;

    switch (index) {
    case kVolume: volume = e * 0.5; return;
    case kOutput: stereoOut = on; return;
    case kTranspose: transpose = static_cast<int32_t>(raw); return;
    case kPortamento: portamento = on; break;  // and the voices' own flag below
    case kMono: monoMode = on; return;
    case kPriority: priorityHigh = on; return;
    case kWorkingParameter: return;
    case kPitchBend: bendRange = e * 1536.0; return;
    case kAutoBend: lfo.setAutoBendParam(raw); return;
    case kLowCut: lowCut.set(e); return;
    case kLevel: level = e; return;
    case kLowBoost: lowBoost.set(28.0, raw); return;
    case kLfoShape: lfo.setShapeParam(raw); return;
    case kLfoSpeed: lfo.setSpeed(static_cast<int>(raw)); return;
    case kLfoDelay: lfo.setDelayParam(raw); return;
    case kLfoToOsc: lfo.setOscDepthParam(raw); return;
    case kLfoToVcf: lfo.setVcfDepthParam(raw); return;
    case kLfoToVca: lfo.setVcaDepthParam(raw); return;
    case kPresOscBal: pressureToBalance = e; return;
    case kPresVcf: pressureToCutoff = e * 3.67 * 1536.0; return;
    case kPresVca: pressureToAmp = e * 2.0; return;
    case kPresLfoOsc: lfo.setPressureOscDepthParam(raw); return;
    case kChorus: chorus.setMode(raw); return;
    case kVoices: {
        // Even the value it already has releases every voice first.
        AllNotesOff();
        const int i = static_cast<int>(raw) % 5;
        activeVoices = kVoiceCounts[static_cast<size_t>(i < 0 ? i + 5 : i)];
        return;
    }
    case kMonoDetune: monoDetune = static_cast<int32_t>(raw); return;
    case kLfoSync:
        lfoSync = on;
        lfo.setSync(on);
        return;
    case kChorusSpeed: chorus.setSpeed(e); return;
    case kChorusDepth: chorus.setDepth(e); return;
    case kVoiceAllocationMode: roundRobin = on; return;
    default: break;
    }
    for (Voice& v : voices) v.setParameter(index, raw, e, currentIsCartridge);
}

void Engine::SetParameterValue(int index, double plain)
{
    if (index < 0 || index >= kNumParams) return;
    const ParamRange& r = paramRanges[static_cast<size_t>(index)];
    if (std::isnan(plain)) return;
    const double v = plain < r.min ? r.min : (plain > r.max ? r.max : plain);
    SetParameter(index, v, normalisedValue(index, v));
}

void Engine::ApplyDefaults()
{
    for (int i = 0; i < kNumParams; ++i) SetParameterValue(i, paramRanges[static_cast<size_t>(i)].defaultValue);
}

void Engine::SetCurrentMemory(bool cartridge)
{
    if (cartridge == currentIsCartridge) return;
    currentIsCartridge = cartridge;
    for (Voice& v : voices) v.setWaves(cartridge);
}

}  // namespace qor
