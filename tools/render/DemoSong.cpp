// The demo song: about 25 seconds of music written for this project
// (chords, bass, melody) to show off a polyphonic instrument. A format 1 file
// with a tempo track and three parts, sustain pedal, pitch bend, the
// modulation wheel and two tempo changes; the same bytes on every run.
#include "tools/render/DemoSong.h"

#include <array>

namespace qor {

namespace {

constexpr uint32_t kQuarter = 480;
constexpr uint32_t kEighth = kQuarter / 2;
constexpr uint32_t kHalf = kQuarter * 2;
constexpr uint32_t kBar = kQuarter * 4;
constexpr int kChannel = 0;  // everything on channel 1, so any synth plays all parts

// One chord per bar: A minor, F, C, G, D minor, F, G, E, A minor, A minor.
constexpr std::array<std::array<int, 4>, 10> kChords = {{
    {57, 60, 64, 0}, {57, 60, 65, 0}, {55, 60, 64, 0}, {55, 59, 62, 0}, {57, 62, 65, 0},
    {57, 60, 65, 0}, {55, 59, 62, 65}, {56, 59, 64, 0}, {57, 60, 64, 0}, {57, 60, 64, 69},
}};
constexpr std::array<int, 10> kBassRoots = {45, 41, 48, 43, 50, 41, 43, 40, 45, 33};

struct MelodyNote {
    uint32_t start;  // ticks from the bar start
    uint32_t length;
    int key;
};

// The tune, bar by bar (composed for this demo).
const std::array<std::vector<MelodyNote>, 10>& melody()
{
    static const std::array<std::vector<MelodyNote>, 10> bars = {{
        {{0, kQuarter, 76}, {kQuarter, kEighth, 74}, {kQuarter + kEighth, kEighth, 72}, {kHalf, kHalf, 69}},
        {{0, kQuarter, 72}, {kQuarter, kEighth, 69}, {kQuarter + kEighth, kEighth, 72}, {kHalf, kHalf, 77}},
        {{0, kQuarter + kEighth, 76}, {kQuarter + kEighth, kEighth, 74}, {kHalf, kQuarter, 72}, {kHalf + kQuarter, kQuarter, 67}},
        {{0, kHalf, 71}, {kHalf, kQuarter, 74}, {kHalf + kQuarter, kQuarter, 79}},
        {{0, kQuarter, 81}, {kQuarter, kEighth, 77}, {kQuarter + kEighth, kEighth, 76}, {kHalf, kHalf, 74}},
        {{0, kQuarter, 72}, {kQuarter, kQuarter, 74}, {kHalf, kQuarter, 77}, {kHalf + kQuarter, kQuarter, 81}},
        {{0, kQuarter + kEighth, 79}, {kQuarter + kEighth, kEighth, 77}, {kHalf, kQuarter, 74}, {kHalf + kQuarter, kQuarter, 71}},
        {{0, kHalf, 68}, {kHalf, kQuarter, 71}, {kHalf + kQuarter, kQuarter, 76}},
        {{0, kHalf, 69}, {kHalf, kQuarter, 72}, {kHalf + kQuarter, kQuarter, 76}},
        {{0, kBar * 3 / 2, 81}},
    }};
    return bars;
}

}  // namespace

std::vector<MidiTrackWriter> demoSongTracks()
{
    MidiTrackWriter conductor;
    conductor.name("QOR demo");
    conductor.timeSignature(0, 4, 4);
    conductor.tempo(0, 100.0);
    conductor.tempo(4 * kBar, 112.0);  // the second phrase moves on
    conductor.tempo(8 * kBar, 92.0);   // and the close broadens

    MidiTrackWriter chords;
    chords.name("Chords");
    MidiTrackWriter bass;
    bass.name("Bass");
    MidiTrackWriter lead;
    lead.name("Melody");

    for (uint32_t bar = 0; bar < kChords.size(); ++bar) {
        const uint32_t at = bar * kBar;
        const bool last = bar + 1 == kChords.size();
        // Pedal change: up at the bar line, down again just after the new chord.
        chords.controller(at, kChannel, 64, 0);
        chords.controller(at + 20, kChannel, 64, 127);
        const uint32_t chordLength = last ? kBar * 3 / 2 : kBar - kEighth;
        for (size_t i = 0; i < kChords[bar].size(); ++i) {
            if (kChords[bar][i] == 0) continue;
            // A slight spread, lowest note first, softer voices above.
            chords.note(at + static_cast<uint32_t>(i) * 12, chordLength, kChannel, kChords[bar][i],
                        72 - static_cast<int>(i) * 6);
        }
        const int root = kBassRoots[bar];
        if (last) {
            bass.note(at, kBar * 3 / 2, kChannel, root, 96);
        } else {
            bass.note(at, kHalf - 30, kChannel, root, 100);
            bass.note(at + kHalf, kQuarter - 30, kChannel, root, 84);
            bass.note(at + kHalf + kQuarter, kQuarter - 30, kChannel, root + 7, 80);
        }
        for (const MelodyNote& n : melody()[bar]) {
            // Accent on the beat, a little less off it.
            const int velocity = n.start % kQuarter == 0 ? 96 : 82;
            lead.note(at + n.start, n.length - 10, kChannel, n.key, velocity);
        }
    }
    // A scoop up into the high A of bar five, back to centre over an eighth.
    for (uint32_t step = 0; step <= 8; ++step) {
        lead.pitchBend(4 * kBar + step * (kEighth / 8), kChannel, -2048 + static_cast<int>(step) * 256);
    }
    // Vibrato swells in over the last two bars and is gone before the end.
    for (uint32_t step = 0; step <= 16; ++step) {
        lead.controller(8 * kBar + step * (kBar / 8), kChannel, 1, static_cast<int>(step) * 6);
    }
    const uint32_t end = 9 * kBar + kBar * 3 / 2;
    lead.controller(end, kChannel, 1, 0);
    chords.controller(end + kQuarter, kChannel, 64, 0);
    conductor.event(end + kQuarter, {0xFF, 0x01, 'e', 'n', 'd'});
    return {conductor, chords, bass, lead};
}

std::vector<uint8_t> demoSongBytes() { return midiFileBytes(1, static_cast<int>(kQuarter), demoSongTracks()); }


}  // namespace qor
