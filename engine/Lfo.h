// The single global LFO. Stepped once per control tick, it publishes a pitch
// offset (vibrato), a cutoff offset (wah), an amplitude factor (tremolo) and
// the Auto Bend offset, which every voice reads in its own control tick.
// Computed in single precision, as on the hardware.
//
// Phase runs -1..1 (2 per cycle); free-running, a cycle lasts 2 / rate control
// ticks. With sync on, the phase follows the host tempo at one of 20 note
// values, counted down per sample between sync points.
#pragma once

#include "engine/Noise.h"
#include "engine/TransportInfo.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace qor {

// Shapes, `LFO Shape` 1..7 minus 1.
enum LfoShape : int32_t {
    kLfoTriangle = 0,
    kLfoSawUp = 1,
    kLfoSawDown = 2,
    kLfoSquare = 3,     // 0 / +1
    kLfoInvSquare = 4,  // 0 / -1
    kLfoRandom = 5,     // held random value, new at every cycle
    kLfoChromaticRandom = 6,  // as random, pitch rounded to semitones
};

constexpr int kLfoSyncValues = 20;

// Note values of the sync, slowest first, with their lengths in beats.
constexpr std::array<std::string_view, kLfoSyncValues> kLfoSyncNames{
    "4/1", "2/1.", "2/1",  "1/1.", "1/1",   "1/2.", "1/2",  "1/4.",  "1/2T", "1/4",
    "1/8.", "1/4T", "1/8", "1/16.", "1/8T", "1/16", "1/32.", "1/16T", "1/32", "1/64",
};
constexpr std::array<double, kLfoSyncValues> kLfoSyncBeats{
    16, 12, 8, 6, 4, 3, 2, 1.5, 1.3333333, 1, 0.75, 0.6666667, 0.5, 0.375, 0.3333333, 0.25, 0.1875, 0.1666667, 0.125, 0.0625,
};

// Sync note value of `LFO Speed` 0..99: roundf(speed * 19 / 99) in single
// precision, clamped to 0..19.
int lfoSyncIndex(int speed);

struct Lfo {
    // Free-running rate per control tick: speeds 0..9 twice kSlowRates,
    // speeds 10..98 twice the linear interpolation between kDecadeRates (one
    // entry per ten speeds, the first for speed 10), speed 99 0.125.
    static constexpr std::array<float, 10> kSlowRates{
        0.000146f, 0.000439f, 0.000733f, 0.001027f, 0.001319f, 0.001587f, 0.001887f, 0.002174f, 0.0025f, 0.002778f,
    };
    static constexpr std::array<float, 10> kDecadeRates{
        0.003086f, 0.006024f, 0.009091f, 0.011905f, 0.014706f, 0.017857f, 0.020833f, 0.02381f, 0.037037f, 0.0625f,
    };
    // Fade-in per control tick for `LFO Delay` 0..31 (0: none).
    static constexpr std::array<float, 32> kDelayRates{
        1.0f,      0.166667f, 0.1f,      0.0625f,   0.058824f, 0.055556f, 0.05f,     0.043478f,
        0.038462f, 0.033333f, 0.028571f, 0.025f,    0.022727f, 0.017857f, 0.015873f, 0.013699f,
        0.011494f, 0.009434f, 0.007874f, 0.006494f, 0.005348f, 0.004425f, 0.003636f, 0.002817f,
        0.002331f, 0.001992f, 0.001618f, 0.001337f, 0.001091f, 0.000886f, 0.000724f, 0.000592f,
    };
    // `LFO to OSC` 0..31 as a fraction of an octave.
    static constexpr std::array<float, 32> kOscDepths{
        0.0f,      0.001806f, 0.003612f, 0.005419f, 0.007247f, 0.009054f, 0.010882f, 0.012711f,
        0.01454f,  0.016369f, 0.01822f,  0.0219f,   0.02558f,  0.029306f, 0.033031f, 0.044274f,
        0.059469f, 0.074867f, 0.094441f, 0.12246f,  0.155355f, 0.189199f, 0.224059f, 0.278244f,
        0.334824f, 0.414206f, 0.498307f, 0.587397f, 0.681794f, 0.781789f, 0.887745f, 1.0f,
    };

    // Free-running phase increment per control tick of `LFO Speed` 0..99.
    static float freeRate(int speed);

    // Sample-rate reset (main lock held): restarts the sync countdown.
    void reset(double newSampleRate, int newControlPeriod);
    void setSpeed(int newSpeed);
    void setSync(bool on);

    // Parameter changes, each from the parameter's plain value (main lock held).
    void setShapeParam(double raw);          // `LFO Shape` 1..7
    void setDelayParam(double raw);          // `LFO Delay` 0..31
    void setOscDepthParam(double raw);       // `LFO to OSC` 0..31 -> semitones
    void setVcfDepthParam(double raw);       // `LFO to VCF` 0..31 -> pitch units
    void setVcaDepthParam(double raw);       // `LFO to VCA` 0..31 -> 0..1
    void setAutoBendParam(double raw);       // `Auto Bend` -31..31 -> pitch units
    void setPressureOscDepthParam(double raw);  // `Pres. LFO OSC` 0..15 -> semitones

    // Audio thread, at the start of every process call; keeps &t until the next.
    void beginBlock(const TransportInfo& t);
    // Audio thread, once per control tick; pressure 0..1.
    void tick(double pressure);
    // Audio thread, once per sample: the sync countdown.
    void sampleTick();
    // First key of a phrase: fade the LFO in (and Auto Bend out) again.
    void restartDelay() { fade = 0.0f; }

    float pitchMod = 0;   // pitch units
    float cutoffMod = 0;  // pitch units
    float ampFactor = 0;  // amplitude multiplier
    float autoBend = 0;   // pitch units
    const TransportInfo* timeInfo = nullptr;
    uint8_t sync = 0;
    int32_t syncSamples = 0;        // one sync cycle, rounded to samples
    int32_t syncCountdown = 0;      // samples left in the current sync cycle
    int32_t syncCountdownSeen = 0;  // countdown at the last tick
    double nextSyncPos = 0;         // sample position of the next sync point
    double syncLength = 0;          // one sync cycle in samples
    double sampleRate = 44100.0;
    double controlPeriod = 44.0;  // samples per control tick
    double position = 0;          // host position in samples
    double lastPpq = 0;           // host beat position at the last process call
    int32_t shape = kLfoTriangle;
    uint8_t speed = 0;      // 0..99
    uint8_t syncIndex = 0;  // 0..19
    float oscDepth = 0;     // semitones
    float vcfDepth = 0;     // pitch units
    float vcaDepth = 0;     // 0..1
    float autoBendAmount = 0;    // pitch units
    float pressureOscDepth = 0;  // semitones at full pressure
    float phase = -1.0f;         // -1..1
    float lastPhase = 0;
    float rate = 0;  // phase per control tick
    float fade = 0;  // delay fade-in 0..1
    float fadeRate = 0;
    float randomValue = 0;
    NoiseGenerator noise;  // the LFO's own, seed 1

private:
    bool transportWasRunning_ = false;
};

}  // namespace qor
