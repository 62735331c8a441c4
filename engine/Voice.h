// One of the 64 voices: two oscillators, the resonant low-pass with its
// envelope, the amplifier envelope and the two 64 Hz smoothers that carry the
// control-rate cutoff and amplitude targets to the audio rate.
#pragma once

#include <cstdint>

#include "engine/Envelope.h"
#include "engine/LowPass.h"
#include "engine/Oscillator.h"
#include "engine/ResonantFilter.h"

namespace qor {

class Engine;
struct Lfo;

struct Voice {
    double sampleRate = 0.0;
    uint8_t index = 0;
    Engine* synth = nullptr;
    const Lfo* lfo = nullptr;
    Oscillator osc1;
    Oscillator osc2;
    ResonantFilter vcf;
    EnvelopeVCF envVcf;
    EnvelopeVCA envVca;
    LowPass cutoffSmoother;
    LowPass ampSmoother;
    double portaSpeed = 0.0;
    double balance = 0.0;
    double cutoff = 0.0;        // pitch units
    double kbVcf = 0.0;         // pitch units per octave
    double envDepth = 0.0;      // pitch units
    double veloVcf = 0.0;       // pitch units
    double cutoffOffset = 0.0;  // pitch units
    double kbVca = 0.0;         // stored only: no stage of the voice reads it
    double veloVca = 0.0;
    int32_t rangeOffset = 0;  // -1536, 0, +1536
    int32_t osc2Coarse = 0;   // pitch units
    int32_t osc2Fine = 0;     // pitch units
    int32_t masterTune = 0;   // pitch units
    uint8_t portaOn = 0;
    uint8_t envInvert = 0;
    double cutoffTarget = 0.0;  // pitch units, per control tick
    double ampTarget = 0.0;     // per control tick
    double amp = 0.0;           // smoothed amplitude of the current sample
    double pitch = 8448.0;      // current (gliding) pitch; note 66 after reset
    double keyOctaves = 0.0;    // octaves from note 66
    double glideStep = 0.0;     // pitch units per control tick while gliding
    double osc1Gain = 0.0;
    double osc2Gain = 0.0;
    double velocity = 0.0;
    uint8_t active = 0;
    uint8_t gate = 0;
    uint8_t sustained = 0;
    uint8_t osc1Noise = 0;
    uint8_t osc2Noise = 0;
    int32_t targetPitch = 0;
    int32_t note = 66;
    int32_t serial = 0;
    // The raw wave numbers, so a change of memory can re-point waves 32 and 34.
    int32_t osc1WaveNumber = 30;
    int32_t osc2WaveNumber = 30;

    void attach(uint8_t voiceIndex, Engine* owner, const Lfo* sharedLfo, const uint8_t* userInternal,
                const uint8_t* userCartridge, const FilterTables* tables);

    void resetVoice(double newSampleRate);
    void startNote(int newNote, int newVelocity, int newSerial, int transpose, int pitchOffset);
    void release();
    void setSustain(bool down);
    void controlTick(bool force);
    // One sample of a sounding voice, given its draw of the voice noise.
    double renderSample(double n)
    {
        const double c = cutoffSmoother.process(cutoffTarget);
        amp = ampSmoother.process(ampTarget);
        const double s1 = osc1Noise ? n : osc1.next();
        const double s2 = osc2Noise ? n : osc2.next();
        const double mix = s2 * osc2Gain + s1 * osc1Gain;
        return vcf.process(mix, c) * amp;
    }

    // Per-voice share of a parameter change: raw is the plain value, e the normalised one.
    void setParameter(int paramIndex, double raw, double e, bool currentIsCartridge);
    void setWaves(bool currentIsCartridge);
};

}  // namespace qor
