#include "engine/Voice.h"

#include <cmath>

#include "engine/Engine.h"
#include "engine/Lfo.h"
#include "engine/ParameterIndex.h"
#include "engine/PitchTables.h"
#include "engine/WaveMemory.h"

namespace qor {

namespace {

// Pitch to increment-table index: truncation towards zero, clamped to the table.
int pitchIndex(double p)
{
    if (!(p > 0.0)) return 0;  // also catches NaN
    if (p >= kMaxPitch) return kMaxPitch;
    return static_cast<int>(p);
}

// The cutoff knob's 100 steps in pitch units: linear from note 26.5 at step 21.
const std::array<float, 100>& cutoffTable()
{
    static const std::array<float, 100> table = [] {
        std::array<float, 100> t{};
        for (int i = 0; i < 100; ++i) t[i] = static_cast<float>(3390.0 + (i - 21) * 6769.0 / 39.0);
        return t;
    }();
    return table;
}

int rateBits(double raw) { return static_cast<int>(static_cast<int64_t>(raw) & 31); }

}  // namespace

void Voice::attach(uint8_t voiceIndex, Engine* owner, const Lfo* sharedLfo, const uint8_t* userInternal,
                   const uint8_t* userCartridge, const FilterTables* tables)
{
    index = voiceIndex;
    synth = owner;
    lfo = sharedLfo;
    osc1.userBuffers = {userInternal, userCartridge};
    osc2.userBuffers = {userInternal, userCartridge};
    vcf.setTables(tables);
}

void Voice::resetVoice(double newSampleRate)
{
    active = gate = sustained = 0;
    note = 66;
    serial = 0;
    // masterTune stays: it holds the Master Tune setting, which a new rate
    // does not change (the host need not activate us again to restore it).
    pitch = 8448.0;
    cutoffTarget = ampTarget = amp = 0.0;
    if (newSampleRate != sampleRate) {
        sampleRate = newSampleRate;
        osc1.reset(newSampleRate);
        osc2.reset(newSampleRate);
        vcf.reset(newSampleRate);
        cutoffSmoother.setSampleRate(newSampleRate);
        cutoffSmoother.design(64.0);
        ampSmoother.setSampleRate(newSampleRate);
        ampSmoother.design(64.0);
    }
}

void Voice::startNote(int newNote, int newVelocity, int newSerial, int transpose, int pitchOffset)
{
    note = newNote;
    gate = 1;
    serial = newSerial;

    // Fold the key into the sounding range; the note field keeps the key itself.
    int folded = newNote;
    if (folded < 24) {
        while (folded < 24) folded += 12;
    } else if (rangeOffset >= 2 && folded > 97) {
        folded = (folded - 98) % 12 + 86;
    } else if (folded > 104) {
        folded = (folded - 105) % 12 + 93;
    }

    targetPitch = pitchOffset + synth->TunedPitch(transpose + folded);
    keyOctaves = (targetPitch / 128.0 - 66.0) / 12.0;

    if (portaOn) {
        glideStep = (1.0 - portaSpeed) * 110.6030603060306 + 2.212061206120612;
        if (pitch > targetPitch) glideStep = -glideStep;
    } else {
        pitch = targetPitch;
    }

    velocity = newVelocity * (1.0 / 127.0);
    envVcf.gateOn();
    envVca.gateOn();
    controlTick(true);
}

void Voice::release()
{
    gate = 0;
    if (!sustained) {
        envVcf.gateOff();
        envVca.gateOff();
    }
}

void Voice::setSustain(bool down)
{
    sustained = down ? 1 : 0;
    if (gate || down) return;
    // Pedal up over a released key: a voice already in its release starts it
    // again from where it is.
    gate = 0;
    envVcf.gateOff();
    envVca.gateOff();
}

void Voice::controlTick(bool force)
{
    if (!active && !force) return;
    envVcf.step();
    envVca.step();

    const Engine& e = *synth;
    cutoffTarget = keyOctaves * kbVcf + (cutoffOffset + cutoff) + velocity * veloVcf + lfo->cutoffMod +
                   e.pressureToCutoff * e.pressure;
    cutoffTarget += envDepth * (envInvert ? 1.0f - envVcf.level : envVcf.level);

    ampTarget = ((velocity * 1.2 - 1.0) * veloVca + 1.0) * envVca.level;
    ampTarget += e.pressureToAmp * e.pressure;
    ampTarget *= lfo->ampFactor;

    if (glideStep != 0.0) {
        pitch += glideStep;
        if ((glideStep > 0.0 && pitch >= targetPitch) || (glideStep < 0.0 && pitch <= targetPitch)) {
            pitch = targetPitch;
            glideStep = 0.0;
        }
    }

    const double p1 = rangeOffset + pitch + masterTune + lfo->pitchMod + lfo->autoBend + e.bend;
    osc1.increment = static_cast<uint32_t>(incrementTable()[static_cast<size_t>(pitchIndex(p1))]);
    const double p2 = osc2Coarse + p1 + osc2Fine;
    osc2.increment = static_cast<uint32_t>(incrementTable()[static_cast<size_t>(pitchIndex(p2))]);

    const double b = e.pressureToBalance * e.pressure * (1.0 - balance) + balance;
    osc2Gain = b;
    osc1Gain = 1.0 - b;

    active = (envVca.stage != Envelope::kIdle || std::fabs(amp) > 1e-13 || force) ? 1 : 0;
}

void Voice::setWaves(bool currentIsCartridge)
{
    osc1.setWave(osc1WaveNumber, currentIsCartridge);
    osc2.setWave(osc2WaveNumber, currentIsCartridge);
    osc1Noise = osc1WaveNumber == kWaveNoise;
    osc2Noise = osc2WaveNumber == kWaveNoise;
}

void Voice::setParameter(int paramIndex, double raw, double e, bool currentIsCartridge)
{
    const bool on = e >= 0.5;
    switch (paramIndex) {
    case kMasterTune: masterTune = static_cast<int32_t>(raw); break;
    case kPortamento: portaOn = on; break;
    case kOsc1Wave:
        osc1WaveNumber = static_cast<int32_t>(raw);
        setWaves(currentIsCartridge);
        break;
    case kRange: rangeOffset = static_cast<int32_t>((raw - 1.0) * 1536.0); break;
    case kPortaSpeed: portaSpeed = e; break;
    case kBalance: balance = e; break;
    case kOsc2Wave:
        osc2WaveNumber = static_cast<int32_t>(raw);
        setWaves(currentIsCartridge);
        break;
    case kOsc2Coarse: osc2Coarse = static_cast<int32_t>(raw * 128.0); break;
    case kOsc2Fine: osc2Fine = static_cast<int32_t>(raw * 3.9); break;
    case kCutoff: {
        const long step = std::lround(raw);
        cutoff = cutoffTable()[static_cast<size_t>(((step % 100) + 100) % 100)];
        break;
    }
    case kResonance: vcf.setResonance(e, amp < 1e-13); break;
    case kEnvelope: envDepth = e * 5.89 * 12.0 * 128.0; break;
    case kVcfAttack: envVcf.setAttack(rateBits(raw)); break;
    case kVcfDecay: envVcf.setDecay(rateBits(raw)); break;
    case kVcfEnvInvert: envInvert = on; break;
    case kVcfSustain: envVcf.setSustain(rateBits(raw)); break;
    case kVcfRelease: envVcf.setRelease(rateBits(raw)); break;
    case kVcaAttack: envVca.setAttack(rateBits(raw)); break;
    case kVcaDecay: envVca.setDecay(rateBits(raw)); break;
    case kVcaSustain: envVca.setSustain(rateBits(raw)); break;
    case kVcaRelease: envVca.setRelease(rateBits(raw)); break;
    case kVeloVcf: veloVcf = e * 4608.0; break;
    case kVeloVca: veloVca = e; break;
    case kKbVcf: kbVcf = raw / 14.0 * 1536.0; break;
    case kKbVca: kbVca = raw; break;
    case kVcfFreqOffset: cutoffOffset = raw * 128.0; break;
    default: break;
    }
}

}  // namespace qor
