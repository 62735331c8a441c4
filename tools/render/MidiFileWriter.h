// Builds Standard MIDI Files: tracks collect events at absolute ticks and are
// written with delta times, in time order, closed by an end-of-track event.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

namespace qor {

class MidiTrackWriter {
public:
    // Any message with its status byte; SysEx from F0 on, meta events from FF on
    // (type, then the data; the writer inserts the length).
    void event(uint32_t tick, std::span<const uint8_t> bytes);
    void event(uint32_t tick, std::initializer_list<uint8_t> bytes);

    void note(uint32_t tick, uint32_t length, int channel, int key, int velocity);
    void controller(uint32_t tick, int channel, int number, int value);
    void programChange(uint32_t tick, int channel, int program);
    // value -8192..8191, 0 = centre
    void pitchBend(uint32_t tick, int channel, int value);
    void tempo(uint32_t tick, double beatsPerMinute);
    void timeSignature(uint32_t tick, int numerator, int denominator);
    void name(std::string_view text);

    // The MTrk chunk. At equal ticks meta events come first, then note-offs,
    // then everything else in the order added, so a repeated note restarts.
    std::vector<uint8_t> chunk() const;

private:
    struct Entry {
        uint32_t tick;
        int rank;
        std::vector<uint8_t> bytes;
    };
    std::vector<Entry> entries_;
};

std::vector<uint8_t> midiFileBytes(int format, int ticksPerQuarter, std::span<const MidiTrackWriter> tracks);

}  // namespace qor
