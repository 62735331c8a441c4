#include "engine/Engine.h"

#include <algorithm>
#include <cmath>

#include "engine/VoiceLanes.h"

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
    waveTables.attachUserWaves(userWave[0].data(), userWave[1].data());
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
        lowBoost.set(28.0, lowBoost.gainDb);  // redesigned for the rate, at the Low Boost setting
        chorus.create(sampleRate);
        runSum.assign(static_cast<size_t>(controlPeriod), 0.0);
        runNoise.assign(static_cast<size_t>(controlPeriod) * kMaxVoices, 0.0);
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
    waveTables.refresh();  // the user waves may have been written since the last block

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

// The voices draw one shared noise value each per rendered sample, voice after
// voice within a sample. Up to sixteen voices at a time are rendered over the
// whole run in SIMD lanes (VoiceLanes.h): their state stays in registers and
// their independent filter chains run side by side. The draws are laid out
// beforehand in the order they would have been made, and each sample adds the
// voices in index order, so the result is the same to the bit.
void Engine::RenderSamples(double* left, double* right, int frames)
{
    std::array<int, kMaxVoices> sounding;
    int count = 0;
    bool noisy = false;
    for (int i = 0; i < activeVoices; ++i) {
        const Voice& v = voices[static_cast<size_t>(i)];
        if (!v.active) continue;  // idle voices draw no noise and add nothing
        sounding[static_cast<size_t>(count++)] = i;
        noisy |= v.osc1Noise || v.osc2Noise;
    }

    const size_t draws = static_cast<size_t>(frames) * static_cast<size_t>(count);
    if (noisy) {
        for (size_t k = 0; k < draws; ++k) runNoise[k] = voiceNoise.next();
    } else {
        voiceNoise.skip(draws);
    }

    double* sum = runSum.data();
    std::fill(sum, sum + frames, 0.0);
    std::array<Voice*, kVoiceLanes> group{};
    for (int k = 0; k < count; k += kVoiceLanes) {
        const int n = std::min(kVoiceLanes, count - k);
        for (int j = 0; j < n; ++j) group[static_cast<size_t>(j)] = &voices[static_cast<size_t>(sounding[static_cast<size_t>(k + j)])];
        RenderVoiceLanes(group.data(), n, sum, frames, runNoise.data() + k, count, waveTables);
    }

    for (int s = 0; s < frames; ++s) {
        lfo.sampleTick();
        double x = sum[s];
        if (lowCut.enabled) x = lowCut.process(x);
        const double y = lowBoost.process(x * masterGain);
        chorus.process(y, stereoOut != 0, left[s], right[s]);
    }
}

int Engine::TunedPitch(int key)
{
    if (tuning) return tuning->TunedPitch(key);
    return key * kPitchUnitsPerSemitone;
}

}  // namespace qor
