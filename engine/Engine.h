// The synthesis engine: 64 voice records and the engine-wide state around
// them (LFO, low cut, low boost, chorus, performance controls), driven by a
// time-stamped MIDI queue and per-parameter changes, rendering stereo blocks of
// doubles at the host's rate with a control rate of about 333.3 Hz.
//
// Threading: every entry point runs under the plug-in's main lock, so a
// parameter change or reset never lands in the middle of a block; the engine
// takes no locks of its own and never allocates while rendering.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/Chorus.h"
#include "engine/FilterTables.h"
#include "engine/HeldKeys.h"
#include "engine/Lfo.h"
#include "engine/LowCut.h"
#include "engine/LowPass.h"
#include "engine/MidiEventQueue.h"
#include "engine/Noise.h"
#include "engine/Oscillator.h"
#include "engine/TransportInfo.h"
#include "engine/Tuning.h"
#include "engine/Voice.h"
#include "engine/WaveTables.h"

namespace qor {

constexpr int kMaxVoices = 64;
constexpr double kControlRate = 333.3;

// Receives the controllers the engine does not handle itself (all but the
// sustain pedal) when they fall due at a control tick: the modulation wheel
// and learned controllers belong to the plug-in.
class ControllerListener {
public:
    virtual ~ControllerListener() = default;
    virtual void ControllerChanged(int controller, int value) = 0;
};

class Engine {
public:
    Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Sample-rate reset: empties the queue and the held keys and restarts the
    // control countdown; rebuilds rate-dependent state only when the rate changed.
    void Reset(double sampleRate);

    // Renders `frames` samples into left and right (overwriting them).
    void ProcessBlock(double* left, double* right, int frames, const TransportInfo& transport);

    MidiEventQueue& Queue() { return queue; }

    // A parameter change: raw is the plain value clamped to the parameter's
    // range, e its normalised value 0..1.
    void SetParameter(int index, double raw, double e);
    // The same from a plain value alone (clamped, normalised linearly), for
    // running the engine without a parameter table.
    void SetParameterValue(int index, double plain);
    // Every parameter at its initial-program value.
    void ApplyDefaults();

    // Waves 32 and 34 name the user waves relative to the current program's memory.
    void SetCurrentMemory(bool cartridge);

    // The user-wave buffers the oscillators read: 1024 sample bytes then 1024 slope bytes.
    uint8_t* UserWave(int memory) { return userWave[static_cast<size_t>(memory & 1)].data(); }

    void SetMidiLevel(int level) { k3FunctionLevel = level; }
    void SetTuning(TuningSource* source) { tuning = source; }
    void SetControllerListener(ControllerListener* listener) { controllerListener = listener; }

    void NoteOn(int note, int velocity);
    void NoteOff(int note);
    void AllNotesOff();
    void SetSustainPedal(bool down);

    // Pitch units of a started key after transposition: the tuning source's
    // answer, or twelve-tone equal temperament.
    int TunedPitch(int key);

    // --- engine fields (read by the voices) ---
    int32_t controlPeriod = 0;
    int32_t samplesToTick = 0;
    double engineSampleRate = -1.0;
    int32_t noteSerial = 0;
    uint8_t activeVoices = 6;
    double masterGain = 1.0;
    double volume = 0.25;
    double level = 1.0;
    uint8_t stereoOut = 1;
    double bend = 0.0;       // pitch units
    double bendRange = 256.0;  // pitch units
    double pressure = 0.0;   // 0..1
    uint8_t sustainPedal = 0;
    int32_t transpose = 0;
    uint8_t monoMode = 0;
    uint8_t priorityHigh = 0;
    uint8_t roundRobin = 0;
    uint8_t portamento = 0;
    uint8_t lfoSync = 0;
    int32_t monoDetune = 3;
    double pressureToBalance = 0.0;
    double pressureToCutoff = 0.0;
    double pressureToAmp = 0.0;
    int32_t k3FunctionLevel = 4;  // MIDI reception level 0..4
    bool currentIsCartridge = false;
    Lfo lfo;
    LowCut lowCut;
    BoostLP lowBoost;
    Chorus chorus;
    NoiseGenerator voiceNoise;
    FilterTables filterTables;
    std::array<std::array<uint8_t, kUserWaveBytes>, 2> userWave{};
    std::array<Voice, kMaxVoices> voices;
    HeldKeys heldKeys;
    WaveTables waveTables;  // what the voice lanes read the waves from

private:
    void ControlTick();
    void DispatchEvents();
    void RenderSamples(double* left, double* right, int frames);
    void MonoNoteStart(int note, int velocity);
    bool MonoPlay() const { return monoMode || activeVoices == 1; }

    MidiEventQueue queue;
    // Scratch for one run between control ticks, sized at reset: the voice
    // sum, and the voice noise in the order the voices draw it.
    std::vector<double> runSum;
    std::vector<double> runNoise;
    TransportInfo transport_;
    TuningSource* tuning = nullptr;
    ControllerListener* controllerListener = nullptr;
};

}  // namespace qor
