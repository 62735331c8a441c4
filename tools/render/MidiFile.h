// Standard MIDI Files (formats 0 and 1) read into one time-sorted event list.
//
// Every read is bounds-checked: a corrupt or truncated file yields an error
// text, never a crash, a hang or an allocation beyond the file's own size.
#pragma once

#include "tools/render/TempoMap.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qor {

struct MidiEvent {
    uint64_t tick = 0;     // absolute, in the file's division
    double seconds = 0.0;  // from the start of the song, tempo changes applied
    int track = 0;
    // A status byte and up to two data bytes, kept inline: files with
    // millions of notes stay small in memory.
    std::array<uint8_t, 3> shortMessage{};
    uint8_t shortSize = 0;
    // A System Exclusive message from F0 on, exactly as the file holds it.
    std::vector<uint8_t> sysex;

    bool isSysEx() const { return !sysex.empty(); }
    std::span<const uint8_t> bytes() const
    {
        return isSysEx() ? std::span<const uint8_t>(sysex) : std::span<const uint8_t>(shortMessage.data(), shortSize);
    }
    int64_t frameAt(double sampleRate) const;
};

struct MidiSong {
    int format = 0;
    int trackCount = 0;
    int division = 0;  // ticks per quarter, or the raw SMPTE word when negative
    std::vector<MidiEvent> events;  // by time; equal times keep track, then file order
    TempoMap tempoMap;
    double lengthSeconds = 0.0;  // the last event or end of track, whichever is later
};

// Files larger than this are refused before anything is read, and so are
// files with more events; together they bound the memory a file can claim.
constexpr size_t kMaxMidiFileBytes = 16u << 20;
constexpr size_t kMaxMidiEvents = 2'000'000;

std::optional<MidiSong> parseMidiFile(std::span<const uint8_t> data, std::string& error);
std::optional<MidiSong> loadMidiFile(const std::string& path, std::string& error);

}  // namespace qor
