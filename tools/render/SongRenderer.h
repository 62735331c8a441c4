// Plays a MIDI song through a loaded plug-in, block by block, as a DAW's
// offline export would: events at their frames, the transport following the
// song's tempo map, then a tail after the last event.
#pragma once

#include "tools/render/MidiFile.h"
#include "tools/render/VstHost.h"

#include <atomic>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace qor {

// Longer songs are refused: a corrupt delta time must not start a render of years.
constexpr double kMaxRenderSeconds = 3 * 3600.0;
// Tail rendered "until silent" stops at this level for kSilentSeconds, or at kMaxSilentTail.
constexpr double kSilenceThreshold = 3.1622776601683794e-5;  // -90 dBFS
constexpr double kSilentSeconds = 0.25;
constexpr double kMaxSilentTail = 60.0;

struct RenderSettings {
    double sampleRate = 44100.0;
    int blockSize = 512;
    double tailSeconds = 2.0;
    bool tailUntilSilent = false;
    bool doublePrecision = false;  // processDoubleReplacing, when the plug-in has it
};

struct RenderSummary {
    int64_t frames = 0;
    double seconds = 0.0;  // of audio
    double peak = 0.0;     // absolute sample value, both channels
    double rms = 0.0;      // over both channels
    bool nonFinite = false;  // the plug-in produced NaN or infinity somewhere
};

// Receives each rendered block; false stops the render (the writer failed).
using BlockSink = std::function<bool(std::span<const float> left, std::span<const float> right, std::string& error)>;
// Told the fraction done after each block.
using ProgressSink = std::function<void(double fraction)>;

// The host must be loaded; it is configured, started and stopped here.
std::optional<RenderSummary> renderSong(VstHost& host, const MidiSong& song, const RenderSettings& settings,
                                        const BlockSink& sink, const ProgressSink& progress, std::string& error,
                                        const std::atomic<bool>* cancel = nullptr);

double toDecibels(double level);

}  // namespace qor
