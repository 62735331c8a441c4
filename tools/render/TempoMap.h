// A song's tempo and time signatures, from MIDI ticks to seconds and from
// seconds to the musical position a host reports to a plug-in.
#pragma once

#include <cstdint>
#include <vector>

namespace qor {

struct TempoChange {
    uint64_t tick = 0;
    uint32_t microsPerQuarter = 500000;  // 120 beats per minute
};

struct TimeSignatureChange {
    uint64_t tick = 0;
    int numerator = 4;
    int denominator = 4;  // a power of two: 4 = quarter notes
};

// Where the song is at a given time.
struct MusicalPosition {
    double quarters = 0.0;        // position in quarter notes from the start
    double tempo = 120.0;         // beats per minute
    double barStartQuarters = 0.0;
    int numerator = 4;
    int denominator = 4;
};

class TempoMap {
public:
    // An empty map: 120 beats per minute, 4/4, 480 ticks per quarter.
    TempoMap();

    // Metrical time: ticksPerQuarter > 0; the tempo changes move the clock.
    static TempoMap metrical(int ticksPerQuarter, std::vector<TempoChange> tempos,
                             std::vector<TimeSignatureChange> signatures);
    // SMPTE time: ticks run at a fixed rate whatever the tempo events say;
    // the tempo still sets where the beats fall.
    static TempoMap smpte(double ticksPerSecond, std::vector<TempoChange> tempos,
                          std::vector<TimeSignatureChange> signatures);

    double secondsAt(uint64_t tick) const;
    MusicalPosition positionAt(double seconds) const;

private:
    // A stretch of constant tempo, anchored in both clocks.
    struct Segment {
        uint64_t tick;
        double seconds;
        double quarters;
        uint32_t microsPerQuarter;
    };
    struct Signature {
        double quarters;
        int numerator;
        int denominator;
    };

    void build(std::vector<TempoChange> tempos, std::vector<TimeSignatureChange> signatures);
    const Segment& segmentAtTick(uint64_t tick) const;
    const Segment& segmentAtSeconds(double seconds) const;
    double quartersAtTick(uint64_t tick) const;

    bool smpte_ = false;
    int ticksPerQuarter_ = 480;
    double ticksPerSecond_ = 0.0;
    std::vector<Segment> segments_;  // never empty, first at tick 0
    std::vector<Signature> signatures_;  // never empty, first at quarter 0
};

}  // namespace qor
