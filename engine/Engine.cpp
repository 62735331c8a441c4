#include "engine/Engine.h"

#include <algorithm>
#include <cmath>

namespace qor {

namespace {

// Rates outside this range cannot be rendered sensibly (and an absurd one
// would size the delay lines absurdly); the engine then stays silent.
constexpr double kMaxSampleRate = 1536000.0;

int controlPeriodFor(double sampleRate)
{
    return static_cast<int>(static_cast<double>(static_cast<int>(sampleRate)) / kControlRate);
}

}  // namespace

Engine::Engine()
{
    filterTables.build(44100.0);
    for (size_t i = 0; i < voices.size(); ++i) {
        voices[i].attach(static_cast<uint8_t>(i), this, &lfo, userWave[0].data(), userWave[1].data(), &filterTables);
        voices[i].resetVoice(44100.0);
    }
    lowBoost.setSampleRate(44100.0);
    lowBoost.set(28.0, 18.0);
    lowCut.reset(44100.0);
    ApplyDefaults();
}

void Engine::Reset(double sampleRate)
{
    queue.Clear();
    heldKeys.Clear();
    samplesToTick = 0;
    const bool usable = sampleRate >= 1.0 && sampleRate <= kMaxSampleRate;
    controlPeriod = usable ? controlPeriodFor(sampleRate) : 0;

    if (usable && sampleRate != engineSampleRate) {
        engineSampleRate = sampleRate;
        lfo.reset(sampleRate, controlPeriod);
        filterTables.build(sampleRate);
        for (Voice& v : voices) v.resetVoice(sampleRate);
        lowCut.reset(sampleRate);
        lowBoost.setSampleRate(sampleRate);
        lowBoost.set(28.0, 18.0);
        chorus.create(sampleRate);
    }
    noteSerial = 0;
}

void Engine::ProcessBlock(double* left, double* right, int frames, const TransportInfo& transport)
{
    if (frames <= 0 || !left || !right) return;
    std::fill(left, left + frames, 0.0);
    std::fill(right, right + frames, 0.0);
    // Before the first reset (or at an unusable rate) there is no control rate.
    if (controlPeriod <= 0) return;

    transport_ = transport;
    lfo.beginBlock(transport_);

    int done = 0;
    int remaining = frames;
    while (remaining > 0) {
        int run;
        if (samplesToTick <= 0) {
            ControlTick();
            run = controlPeriod;
            if (remaining < controlPeriod) {
                samplesToTick = controlPeriod - remaining;
                run = remaining;
            }
        } else if (samplesToTick >= remaining) {
            samplesToTick -= remaining;
            run = remaining;
        } else {
            run = samplesToTick;
            samplesToTick = 0;
        }
        remaining -= run;
        RenderSamples(left + done, right + done, run);
        done += run;
    }
}

void Engine::ControlTick()
{
    DispatchEvents();
    lfo.tick(pressure);
    for (int i = 0; i < activeVoices; ++i) voices[static_cast<size_t>(i)].controlTick(false);
    chorus.controlTick();
    masterGain = volume * level * chorus.gainFactor();
}

void Engine::DispatchEvents()
{
    while (!queue.Empty() && queue.Front().offset < controlPeriod) {
        const QueuedMidiEvent ev = queue.Front();
        queue.PopFront();
        const int kind = ev.status >> 4;
        if (ev.data1 > 127 || ev.data2 > 127) continue;  // not MIDI data
        switch (kind) {
        case 0x9:
            if (ev.data2 > 0) {
                NoteOn(ev.data1, ev.data2);
                break;
            }
            [[fallthrough]];
        case 0x8: NoteOff(ev.data1); break;
        case 0xB:
            if (ev.data1 == 64) {
                SetSustainPedal(ev.data2 / 127.0 >= 0.5);
            } else if (controllerListener) {
                controllerListener->ControllerChanged(ev.data1, ev.data2);
            }
            break;
        case 0xD:
            if (k3FunctionLevel >= 2) pressure = ev.data1 / 127.0;
            break;
        case 0xE:
            if (k3FunctionLevel >= 2) bend = ((ev.data2 - 64) * 128 + ev.data1) / 8192.0 * bendRange;
            break;
        default: break;
        }
    }
    queue.Advance(controlPeriod);
}

void Engine::RenderSamples(double* left, double* right, int frames)
{
    const int count = activeVoices;
    for (int s = 0; s < frames; ++s) {
        lfo.sampleTick();
        double sum = 0.0;
        for (int i = 0; i < count; ++i) sum += voices[static_cast<size_t>(i)].renderSample();
        if (lowCut.enabled) sum = lowCut.process(sum);
        const double y = lowBoost.process(sum * masterGain);
        chorus.process(y, stereoOut != 0, left[s], right[s]);
    }
}

int Engine::TunedPitch(int key)
{
    if (tuning) return tuning->TunedPitch(key);
    return key * kPitchUnitsPerSemitone;
}

}  // namespace qor
